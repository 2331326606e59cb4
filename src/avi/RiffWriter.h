#pragma once

#include "avi/IndexEntry.h"
#include "avi/OpenDmlIndex.h"
#include "base/ByteOrder.h"
#include "base/Failure.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kestrel {

class ChunkStream;

// The RIFF chunks of the file being written and their indexes.
//
// A file whose data fits in one RIFF chunk is written as a plain AVI file:
// one 'RIFF AVI ' with its 'movi' list and the legacy 'idx1' index. When
// the RIFF chunk would grow past the size limit, the writer continues in
// the OpenDML layout: it ends the 'movi' list with an 'ix##' standard index
// per stream, ends the first RIFF chunk with the 'idx1' of its chunks, and
// goes on in a 'RIFF AVIX' with a 'movi' list of its own, and so on; at the
// end it writes each stream's 'indx' super index and the total frame count
// ('dmlh') into room left for them in the header list.
//
// The room is a 'JUNK' chunk: a source's own OpenDML indexes become such
// chunks, and writers leave them for this purpose; for a source without
// any that may outgrow one RIFF chunk, the writer leaves them itself at the
// ends of the stream lists and the header list. Without room for every
// stream the file stays one RIFF chunk, up to the 4 GB limit of its size.
//
// Every byte of the output goes through the writer. Header chunks are opened
// and closed around their data as the walker meets them; the data chunks of
// 'movi' go through one door, WriteDataChunk (or BeginDataChunk and
// EndChunk around a streamed copy), which decides the RIFF split with the
// size actually written, records the chunk in the indexes, counts frames
// and keeps the largest chunk for dwSuggestedBufferSize.
class RiffWriter {
public:
    // The default RIFF size limit, as other writers use.
    static constexpr uint64_t kDefaultSizeLimit = 1ull << 30;

    // What a data chunk holds, for the frame count and the key-frame flag.
    enum class Data { VideoFrame, Other };

    explicit RiffWriter(ChunkStream& out) : out_(out) { }

    // The size past which a new RIFF chunk starts, whether to leave room in
    // the header when the source has none, and the folder where index
    // entries beyond a few MiB wait for their index (SpillBuffer.h).
    void Configure(uint64_t sizeLimit, bool reserveRoom, std::string scratchFolder = {});

    // Errors stick: after a failed step every later one does nothing, and
    // EndChunk, the writes and Finish return the first failure.
    //
    // Chunks other than data chunks. Opens a chunk of `dataSize` bytes (for
    // RIFF and LIST, with their list type): FOURCC, a size field that
    // EndChunk fills in and the list type. A chunk among the children of
    // 'movi' may start a new RIFF chunk first; `dataSize` is what it will
    // hold, as far as it is known when it is opened (a 'rec ' list's
    // frames are re-encoded later). Returns the chunk's offset.
    uint64_t BeginChunk(FourCC id, uint32_t dataSize, FourCC listType = 0);
    // Closes the chunk opened at `start`: its size field says how many bytes
    // were written since, and a pad byte follows odd data.
    Status EndChunk(uint64_t start);
    // Overwrites a 32-bit field of a chunk written earlier.
    Status PatchLe32(uint64_t position, uint32_t value);
    uint64_t Position() const;
    Status Write(const void* data, uint32_t length);
    Status WriteZeros(uint64_t length);
    // Copies `length` bytes from `source`, in pieces no larger than the
    // stream buffers.
    Status CopyFrom(ChunkStream& source, uint64_t length);

    // The one door for the data chunks of 'movi': a chunk `id` with
    // `length` bytes of data and its idx1 flags.
    Status WriteDataChunk(FourCC id, uint32_t flags, Data kind, const uint8_t* data, uint32_t length);
    // The same, for data the caller writes between this and EndChunk.
    uint64_t BeginDataChunk(FourCC id, uint32_t flags, Data kind, uint32_t length);

    // The header, as the walker writes it.
    void NoteMainHeader(uint64_t dataStart);
    void NoteVideoStreamHeader(uint64_t dataStart);
    void NoteStream(int32_t stream, FourCC type, uint32_t sampleSize);
    // A 'JUNK' chunk in a stream list or the header list, and the 'dmlh' chunk.
    void NoteStreamRoom(int32_t stream, uint64_t chunkStart, uint32_t dataSize);
    void NoteHeaderRoom(uint64_t chunkStart, uint32_t dataSize);
    void NoteExtendedHeader(uint64_t dataStart);
    // At the end of a stream list and of the header list: leaves room when
    // there is none and the file may need it.
    Status EndStreamList(int32_t stream);
    Status EndHeaderList();

    // The body.
    void BeginFirstRiff();
    // Whether a 'movi' list was opened, and whether one is open now.
    bool MoviBegun() const { return moviBegun_; }
    bool MoviOpen() const { return moviStart_.has_value(); }
    void BeginMovi();
    Status EndMovi();
    // Ends the file: the 'movi' list and RIFF chunk still open, the indexes,
    // the header's sizes, and the frame counts of the main header, the video
    // stream's header and 'dmlh', whatever the source said.
    Status Finish();

    // The video frames written so far.
    uint32_t Frames() const { return frames_; }
    uint32_t RiffCount() const { return riffs_; }

private:
    void BeforeMoviChild(uint64_t bytes);
    void SpillFailed();
    Status Result() const;
    bool CanStartRiff() const;
    Status StartNextRiff();
    Status WriteStandardIndexes();
    Status WriteLegacyIndex();
    Status WriteExtendedHeader();

    ChunkStream& out_;
    uint64_t sizeLimit_ = kDefaultSizeLimit;
    bool reserveRoom_ = false;
    std::vector<uint8_t> copyBuffer_;  // allocated by the first copy
    Status failure_;                   // the first failure that is not the stream's own

    std::optional<uint64_t> mainHeader_;   // avih data in the output
    std::optional<uint64_t> videoHeader_;  // the video stream's strh data
    std::vector<OpenDmlIndex> streams_;    // by stream number
    std::optional<OpenDmlIndex::Room> headerRoom_;
    std::optional<uint64_t> extendedHeader_;  // dmlh data in the output

    uint32_t riffs_ = 0;
    uint64_t riffStart_ = 0;
    bool moviBegun_ = false;
    std::optional<uint64_t> moviStart_;
    uint64_t moviBase_ = 0;    // the first 'movi' list's type: idx1 offsets count from here
    uint32_t moviChunks_ = 0;  // children of the 'movi' list being written
    uint32_t openInMovi_ = 0;  // chunks open inside it
    // A 'movi' list ended without standard indexes: the file stays one RIFF.
    bool plainMoviEnded_ = false;
    // A chunk too large for a standard index entry: likewise.
    bool unindexable_ = false;

    std::string scratchFolder_;
    SpillBuffer legacy_;  // the first RIFF chunk's 'idx1' entries
    uint32_t firstRiffFrames_ = 0;
    uint32_t frames_ = 0;
    // The largest data or index chunk written: the output's dwSuggestedBufferSize.
    uint32_t largestChunk_ = 0;
};

}  // namespace kestrel
