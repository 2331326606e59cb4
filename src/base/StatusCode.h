#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kestrel {

// Reasons a conversion ends without success. The numbers are fixed: 7 is
// unused, and every code has exactly one message in FormatStatusMessage.
namespace status {
inline constexpr int32_t kNone = 0;
inline constexpr int32_t kCantOpenSource = 1;
inline constexpr int32_t kCantOpenDestination = 2;
inline constexpr int32_t kReadError = 3;
inline constexpr int32_t kWriteError = 4;
inline constexpr int32_t kNotRiff = 5;          // detail: first FOURCC
inline constexpr int32_t kNotAvi = 6;           // detail: form type
inline constexpr int32_t kNotMjpegHandler = 8;  // detail: fccHandler
inline constexpr int32_t kNotMjpegFormat = 9;   // detail: biCompression
inline constexpr int32_t kNot24Bit = 10;        // detail: bit count
inline constexpr int32_t kStrhOutsideStrl = 11;
inline constexpr int32_t kStrfOutsideStrl = 12;
inline constexpr int32_t kStrdOutsideStrl = 13;
inline constexpr int32_t kStrnOutsideStrl = 14;
inline constexpr int32_t kStrfBeforeStrh = 15;
inline constexpr int32_t kMoviBeforeStrl = 16;
inline constexpr int32_t kRecOutsideMovi = 17;
inline constexpr int32_t kIdx1BeforeMovi = 18;
inline constexpr int32_t kStreamChunkOutsideMovi = 19;  // detail: the chunk's FOURCC
inline constexpr int32_t kBadFrameSize = 20;            // detail: width, detail2: height
inline constexpr int32_t kTooLarge = 21;                // destination past 4 GiB
inline constexpr int32_t kFrameDamaged = 22;            // detail: frame number from 1
inline constexpr int32_t kFrameTooShort = 23;           // detail: frame number from 1
inline constexpr int32_t kFrameUnexpected = 24;         // detail: frame number from 1
inline constexpr int32_t kRiffExtension = 25;           // detail: form type of a RIFF chunk behind the first
inline constexpr int32_t kChunkWrongSize = 26;          // detail: the chunk's FOURCC
inline constexpr int32_t kChunkOverrun = 27;            // detail: the chunk's FOURCC; Failure::offset, Failure::parent
inline constexpr int32_t kOutOfMemory = 28;
inline constexpr int32_t kCantReplaceDestination = 29;     // the finished file could not take the destination's name
inline constexpr int32_t kNoOutputDirectory = 30;          // the output directory is empty
inline constexpr int32_t kCantCreateOutputDirectory = 31;  // destination: the directory
inline constexpr int32_t kDestinationNotAFile = 32;        // a directory, device or FIFO stands under the name
inline constexpr int32_t kSourceNotAFile = 33;             // detail: what it is (SourceKind)
inline constexpr int32_t kNestedTooDeep = 34;              // detail: the list's FOURCC, Failure::offset
inline constexpr int32_t kNoVideoStream = 35;              // no Motion-JPEG video stream in the file
inline constexpr int32_t kPictureTooLarge = 36;            // detail: width, detail2: height
inline constexpr int32_t kFrameNotBaseline = 37;           // detail: frame number from 1
inline constexpr int32_t kFrameTooLarge = 38;              // detail: frame number from 1, detail2: MiB allowed
inline constexpr int32_t kFrameTooFewBytes = 39;           // detail: frame number from 1
inline constexpr int32_t kPictureInOtherChunk = 40;        // detail: the chunk's FOURCC; Failure::offset
inline constexpr int32_t kUnindexableChunk = 41;           // detail: the chunk's FOURCC

// What a source that is not a regular file is, for kSourceNotAFile.
enum class SourceKind : uint32_t { Directory = 1, Fifo, Socket, Device, Other };

// How deep lists may nest (AVI files nest four or five levels).
inline constexpr uint32_t kMaximumListDepth = 64;
// The largest picture converted: 16384 x 16384 pixels (any shape of at most
// that many pixels, at most 65500 either way).
inline constexpr uint64_t kMaximumPicturePixels = 16384ull * 16384ull;
}  // namespace status

// Whether a frame refused with `code` is one that --salvage replaces: the
// frame cannot be decoded, but the file can.
bool IsReplaceableFrame(int32_t code);

// The message shown for a status code, or an empty string for code 0.
// Messages about opening, reading or writing a file end with the system's
// reason when FormatFailure is given one.
// `detail` and `detail2` are the values recorded with the code.
std::string FormatStatusMessage(int32_t code, uint32_t detail, std::string_view source, std::string_view destination,
                                uint32_t detail2 = 0);

struct Failure;

// The whole message of a failure: FormatStatusMessage's text, then, on a line
// of its own, the JPEG library's words when it gave up on a frame.
std::string FormatFailure(const Failure& failure, std::string_view source, std::string_view destination);

// A FOURCC as it reads in a message: printable ASCII as it is, any other
// byte as \xNN.
std::string PrintableFourCC(uint32_t code);

// The refusal when a job's destination would overwrite its own source.
std::string SameFileMessage(std::string_view source);

}  // namespace kestrel
