#pragma once

#include "avi/IndexEntry.h"
#include "avi/OpenDmlIndex.h"
#include "base/ByteOrder.h"
#include "base/Failure.h"

#include <cstdint>
#include <optional>
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
class RiffWriter {
public:
    // The default RIFF size limit, as other writers use.
    static constexpr uint64_t kDefaultSizeLimit = 1ull << 30;

    explicit RiffWriter(ChunkStream& out) : out_(out) { }

    // The size past which a new RIFF chunk starts, and whether to leave room
    // in the header when the source has none.
    void Configure(uint64_t sizeLimit, bool reserveRoom);

    // The header, as the walker writes it.
    void NoteMainHeader(uint64_t dataStart);
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
    bool MoviOpen() const { return moviStart_.has_value(); }
    // Opens a 'movi' list; returns the offset of its list type.
    uint64_t BeginMovi();
    // Before each chunk of a 'movi' list with `bytes` in all: starts a new
    // RIFF chunk when this one would grow past the limit.
    Status BeforeMoviChunk(uint64_t bytes);
    // A data chunk written at `chunkStart` with `length` bytes of data.
    void AddChunk(FourCC id, uint32_t flags, uint64_t chunkStart, uint32_t length, bool videoFrame);
    Status EndMovi();
    // Ends the file: the 'movi' list and RIFF chunk still open, the indexes,
    // the header's sizes and counts. `largestChunk` is raised by the size of
    // 'idx1'; `sourceContinued`: the source had more than one RIFF chunk.
    Status Finish(uint32_t& largestChunk, bool sourceContinued);

    uint32_t RiffCount() const { return riffs_; }

private:
    bool CanStartRiff() const;
    Status StartNextRiff();
    Status WriteStandardIndexes();
    Status WriteLegacyIndex();
    Status WriteExtendedHeader();

    ChunkStream& out_;
    uint64_t sizeLimit_ = kDefaultSizeLimit;
    bool reserveRoom_ = false;

    std::optional<uint64_t> mainHeader_;  // avih data in the output
    std::vector<OpenDmlIndex> streams_;   // by stream number
    std::optional<OpenDmlIndex::Room> headerRoom_;
    std::optional<uint64_t> extendedHeader_;  // dmlh data in the output

    uint32_t riffs_ = 0;
    uint64_t riffStart_ = 0;
    std::optional<uint64_t> moviStart_;
    uint64_t moviBase_ = 0;
    uint32_t moviChunks_ = 0;
    // A 'movi' list ended without standard indexes: the file stays one RIFF.
    bool plainMoviEnded_ = false;
    // A chunk too large for a standard index entry: likewise.
    bool unindexable_ = false;

    IndexEntries legacy_;  // the first RIFF chunk's 'idx1'
    uint32_t legacySize_ = 0;
    uint32_t firstRiffFrames_ = 0;
    uint32_t frames_ = 0;
};

}  // namespace kestrel
