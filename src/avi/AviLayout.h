#pragma once

// Byte layouts of the AVI chunks that Kestrel reads or writes. Offsets are
// from the start of the chunk data, i.e. behind the 8-byte chunk header; all
// integers little-endian.

#include "base/ByteOrder.h"

#include <cstddef>
#include <optional>

namespace kestrel::avi {

// Chunk header: FOURCC, then the 32-bit size of the data (the pad byte of an
// odd size is not counted). RIFF and LIST data begin with their list type.
inline constexpr uint32_t kChunkHeaderSize = 8;
inline constexpr uint32_t kListTypeSize = 4;

inline constexpr FourCC kRiff = MakeFourCC("RIFF");
inline constexpr FourCC kList = MakeFourCC("LIST");
inline constexpr FourCC kAviForm = MakeFourCC("AVI ");
inline constexpr FourCC kAvixForm = MakeFourCC("AVIX");  // an OpenDML continuation RIFF
inline constexpr FourCC kAvih = MakeFourCC("avih");
inline constexpr FourCC kStrh = MakeFourCC("strh");
inline constexpr FourCC kStrf = MakeFourCC("strf");
inline constexpr FourCC kStrd = MakeFourCC("strd");
inline constexpr FourCC kStrn = MakeFourCC("strn");
inline constexpr FourCC kStrl = MakeFourCC("strl");
inline constexpr FourCC kHdrl = MakeFourCC("hdrl");
inline constexpr FourCC kMovi = MakeFourCC("movi");
inline constexpr FourCC kRec = MakeFourCC("rec ");
inline constexpr FourCC kIdx1 = MakeFourCC("idx1");
inline constexpr FourCC kJunk = MakeFourCC("JUNK");
inline constexpr FourCC kIndx = MakeFourCC("indx");
inline constexpr FourCC kVprp = MakeFourCC("vprp");
inline constexpr FourCC kOdml = MakeFourCC("odml");
inline constexpr FourCC kDmlh = MakeFourCC("dmlh");
inline constexpr FourCC kVids = MakeFourCC("vids");
inline constexpr FourCC kMjpgUpper = MakeFourCC("MJPG");

inline constexpr uint16_t kSuffixCompressedVideo = MakeSuffix("dc");
inline constexpr uint16_t kSuffixUncompressedVideo = MakeSuffix("db");
inline constexpr uint16_t kSuffixAudio = MakeSuffix("wb");
inline constexpr uint16_t kSuffixPaletteChange = MakeSuffix("pc");

// A FOURCC with its ASCII letters in upper case.
constexpr FourCC UpperCaseFourCC(FourCC code)
{
    FourCC upper = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        uint32_t c = (code >> shift) & 0xFF;
        if (c >= 'a' && c <= 'z')
            c -= 'a' - 'A';
        upper |= c << shift;
    }
    return upper;
}

// The characters of a FOURCC in reverse order ("GPJM" for "MJPG").
constexpr FourCC ReversedFourCC(FourCC code)
{
    return (code >> 24) | ((code >> 8) & 0xFF00) | ((code << 8) & 0xFF0000) | (code << 24);
}

// biCompression of a Motion-JPEG video format: "MJPG" in any letter case.
constexpr bool IsMjpeg(FourCC code) { return UpperCaseFourCC(code) == kMjpgUpper; }

// fccHandler of a Motion-JPEG video stream header: "MJPG" in any letter
// case, the same byte-reversed (some writers store "GPJM"), or all zero
// bytes (no handler named; the format's compression decides).
constexpr bool IsMjpegHandler(FourCC code) { return code == 0 || IsMjpeg(code) || IsMjpeg(ReversedFourCC(code)); }

static_assert(IsMjpegHandler(MakeFourCC("GPJM")) && IsMjpegHandler(MakeFourCC("mJpg")) && IsMjpegHandler(0));
static_assert(!IsMjpegHandler(MakeFourCC("DIVX")) && !IsMjpegHandler(MakeFourCC("MJPE")));

// The stream number in a data chunk's first two characters ("01wb" -> 1).
constexpr std::optional<int32_t> StreamNumber(FourCC id)
{
    const auto digit = [](uint8_t c) { return c >= '0' && c <= '9' ? std::optional<int32_t>(c - '0') : std::nullopt; };
    const auto high = digit(static_cast<uint8_t>(id));
    const auto low = digit(static_cast<uint8_t>(id >> 8));
    if (!high || !low)
        return std::nullopt;
    return *high * 10 + *low;
}

// Main AVI header, chunk 'avih'.
namespace avih {
inline constexpr uint32_t kSize = 56;
inline constexpr size_t kFlags = 12;                // dwFlags
inline constexpr size_t kTotalFrames = 16;          // dwTotalFrames (of the first RIFF chunk)
inline constexpr size_t kSuggestedBufferSize = 28;  // dwSuggestedBufferSize
inline constexpr size_t kWidth = 32;                // dwWidth
inline constexpr size_t kHeight = 36;               // dwHeight
inline constexpr uint32_t kFlagHasIndex = 0x10;     // AVIF_HASINDEX
}  // namespace avih

// AVI stream header, chunk 'strh'.
namespace strh {
inline constexpr uint32_t kSize = 56;
inline constexpr size_t kType = 0;          // fccType
inline constexpr size_t kHandler = 4;       // fccHandler
inline constexpr size_t kLength = 32;       // dwLength: in the stream's units (frames, for video)
inline constexpr size_t kSampleSize = 44;   // dwSampleSize: bytes per sample, 0 when samples vary
inline constexpr size_t kFrameRight = 52;   // rcFrame.right, 16-bit
inline constexpr size_t kFrameBottom = 54;  // rcFrame.bottom, 16-bit
}  // namespace strh

// Bitmap info header, chunk 'strf' of a video stream.
namespace strf {
// The size of the header itself (biSize of 40); some writers store a longer
// chunk whose extra bytes follow the header.
inline constexpr uint32_t kSize = 40;
inline constexpr size_t kWidth = 4;         // biWidth, signed
inline constexpr size_t kHeight = 8;        // biHeight, signed
inline constexpr size_t kBitCount = 14;     // biBitCount, 16-bit
inline constexpr size_t kCompression = 16;  // biCompression
}  // namespace strf

// One entry of the legacy index, chunk 'idx1'.
namespace idx1 {
inline constexpr uint32_t kEntrySize = 16;
inline constexpr size_t kChunkId = 0;            // ckid
inline constexpr size_t kFlags = 4;              // dwFlags
inline constexpr size_t kOffset = 8;             // dwChunkOffset, from the 'movi' list type
inline constexpr size_t kLength = 12;            // dwChunkLength
inline constexpr uint32_t kFlagKeyFrame = 0x10;  // AVIIF_KEYFRAME
inline constexpr uint32_t kFlagNoTime = 0x100;   // AVIIF_NO_TIME
}  // namespace idx1

// OpenDML super index, chunk 'indx' in a stream list: where the stream's
// standard indexes are, one entry per RIFF chunk.
namespace indx {
inline constexpr uint32_t kHeaderSize = 24;
inline constexpr size_t kLongsPerEntry = 0;    // wLongsPerEntry, 16-bit: 4
inline constexpr size_t kIndexSubType = 2;     // bIndexSubType, 8-bit: 0
inline constexpr size_t kIndexType = 3;        // bIndexType, 8-bit: kIndexOfIndexes
inline constexpr size_t kEntriesInUse = 4;     // nEntriesInUse
inline constexpr size_t kChunkId = 8;          // dwChunkId: the stream's data chunks
inline constexpr uint32_t kEntrySize = 16;     // from kHeaderSize on:
inline constexpr size_t kEntryOffset = 0;      //   qwOffset, 64-bit: the 'ix##' chunk in the file
inline constexpr size_t kEntrySizeField = 8;   //   dwSize: the 'ix##' chunk with its header
inline constexpr size_t kEntryDuration = 12;   //   dwDuration: in the stream's ticks
inline constexpr uint8_t kIndexOfIndexes = 0;  // AVI_INDEX_OF_INDEXES
inline constexpr uint8_t kIndexOfChunks = 1;   // AVI_INDEX_OF_CHUNKS (the standard index)
inline constexpr uint32_t kMinimumSize = kHeaderSize + kEntrySize;
}  // namespace indx

// OpenDML standard index, chunk 'ix##' ('ix' and the stream number): the
// data chunks of one stream in one RIFF chunk.
namespace ix {
inline constexpr uint32_t kHeaderSize = 24;
// wLongsPerEntry (2), bIndexSubType, bIndexType (indx::kIndexOfChunks),
// nEntriesInUse and dwChunkId as in the super index, then:
inline constexpr size_t kBaseOffset = 12;             // qwBaseOffset, 64-bit: entries count from here
inline constexpr size_t kReserved = 20;               // dwReserved3
inline constexpr uint32_t kEntrySize = 8;             // from kHeaderSize on:
inline constexpr size_t kEntryOffset = 0;             //   dwOffset: the chunk's data from qwBaseOffset
inline constexpr size_t kEntrySizeField = 4;          //   dwSize: the data size, and:
inline constexpr uint32_t kNotKeyFrame = 0x80000000;  //   bit 31 set when not a key frame
}  // namespace ix

// OpenDML extended header, chunk 'dmlh' in 'LIST odml' of 'hdrl'.
namespace dmlh {
inline constexpr size_t kTotalFrames = 0;  // dwTotalFrames: the frames of all RIFF chunks
inline constexpr uint32_t kMinimumSize = 4;
inline constexpr uint32_t kUsualSize = 248;  // with the reserved dwords writers store
}  // namespace dmlh

// OpenDML video properties, chunk 'vprp' (only the fields that describe the picture).
namespace vprp {
inline constexpr uint32_t kMinimumSize = 44;       // up to and including one field description
inline constexpr size_t kHTotalInT = 12;           // dwHTotalInT: writers store the frame width
inline constexpr size_t kVTotalInLines = 16;       // dwVTotalInLines: writers store the frame height
inline constexpr size_t kFrameAspectRatio = 20;    // dwFrameAspectRatio: x in the high, y in the low 16 bits
inline constexpr size_t kFrameWidthInPixels = 24;  // dwFrameWidthInPixels
inline constexpr size_t kFrameHeightInLines = 28;  // dwFrameHeightInLines
inline constexpr size_t kFieldPerFrame = 32;       // nbFieldPerFrame
inline constexpr size_t kFieldInfo = 36;           // first VIDEO_FIELD_DESC
inline constexpr uint32_t kFieldInfoSize = 32;
inline constexpr size_t kCompressedBMHeight = 0;  // within a field description
inline constexpr size_t kCompressedBMWidth = 4;
inline constexpr size_t kValidBMHeight = 8;
inline constexpr size_t kValidBMWidth = 12;
}  // namespace vprp

}  // namespace kestrel::avi
