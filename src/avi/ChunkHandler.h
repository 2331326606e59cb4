#pragma once

#include "base/ByteOrder.h"
#include "base/Failure.h"

#include <cstdint>

namespace kestrel {

class ChunkStream;
class RiffWriter;

// One chunk being converted. The walker (ChunkWalker.h) reads its FOURCC,
// has the dispatcher (ChunkDispatch.h) create its handler, reads its size
// and checks it against the enclosing list and the file; Process then reads
// the chunk's data (size() bytes from the source) and writes its converted
// form through the output's writer. The walker owns the chunk's extent: data
// the handler left unread and the pad byte are skipped by it. The base
// class converts by copying the chunk unchanged.
class ChunkHandler {
public:
    ChunkHandler(FourCC id, ChunkStream& source, RiffWriter& output) : id_(id), source_(source), output_(output) { }
    virtual ~ChunkHandler() = default;
    ChunkHandler(const ChunkHandler&) = delete;
    ChunkHandler& operator=(const ChunkHandler&) = delete;

    virtual Status Process();

    // Set by the walker: the chunk's source offset and data size, and for a
    // list whether it is open: the last list of a recording cut short or
    // never finalized, whose size is taken to the end of the file.
    void SetExtent(uint64_t start, uint32_t size, bool open)
    {
        start_ = start;
        size_ = size;
        open_ = open;
    }

protected:
    // Reads the list type of a RIFF or LIST chunk into listType_.
    Status ReadListType();
    // Reads the data of a chunk whose size must be `expectedSize` into
    // `block` behind its FOURCC and size. Any other size is refused.
    Status ReadFixedSizeChunk(uint32_t expectedSize, uint8_t* block);
    // Opens the converted chunk in the output, of the source chunk's size.
    uint64_t BeginChunk(FourCC id, FourCC listType = 0);

    static constexpr uint64_t Padded(uint64_t size) { return size + (size & 1); }

    const FourCC id_;
    FourCC listType_ = 0;
    uint32_t size_ = 0;
    uint64_t start_ = 0;  // the chunk's source offset
    bool open_ = false;
    ChunkStream& source_;
    RiffWriter& output_;
};

}  // namespace kestrel
