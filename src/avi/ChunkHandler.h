#pragma once

#include "avi/ByteOrder.h"
#include "avi/ConversionContext.h"

#include <cstdint>
#include <memory>

namespace kestrel {

class ChunkStream;

// What a handler did with its chunk: source bytes consumed and destination
// bytes written, each including the 8-byte header and any pad byte.
struct ChunkResult {
    static constexpr uint64_t kFailed = UINT64_MAX;

    uint64_t consumed = kFailed;
    uint64_t written = 0;

    static ChunkResult Failure() { return {}; }
    bool Failed() const { return consumed == kFailed; }
};

// One chunk being converted. The dispatcher reads the FOURCC and creates the
// handler; Process reads the rest of the chunk from the source and writes
// its converted form. The base class converts by copying the chunk unchanged.
class ChunkHandler {
public:
    ChunkHandler(FourCC id, ChunkStream& source, ChunkStream& destination, ConversionContext& context);
    virtual ~ChunkHandler() = default;
    ChunkHandler(const ChunkHandler&) = delete;
    ChunkHandler& operator=(const ChunkHandler&) = delete;

    virtual ChunkResult Process();

    FourCC Id() const { return id_; }
    FourCC ListType() const { return listType_; }

protected:
    // Reads the size field; raises LargestChunkSize for non-list chunks.
    bool ReadHeader();
    // Reads the list type of a RIFF or LIST chunk and reduces size to its children.
    bool ReadListType();
    // Converts the children of this list, `size` bytes of them.
    ChunkResult WalkChildren();
    // Reads the next FOURCC and creates its handler, or records why not.
    std::unique_ptr<ChunkHandler> CreateChildHandler();

    // Moves `length` payload bytes from the source through CopyBuffer, in
    // pieces no larger than the stream buffers.
    enum class Payload { Copy, WriteZeros, Drop };
    bool MovePayload(uint64_t length, Payload action);
    // Reads a chunk whose size must be `expectedSize` into `block`: FOURCC,
    // size, then the data. Any other size is refused.
    bool ReadFixedSizeChunk(uint32_t expectedSize, uint8_t* block);
    // Writes the header of this list with a placeholder size; `sizePos` is
    // where the size goes.
    bool WriteListHeader(FourCC id, uint64_t& sizePos);
    // Fills in a size written as a placeholder; refuses a size that does not
    // fit its 32-bit field.
    bool PatchSize(uint64_t sizePos, uint64_t size);
    bool WriteChunkHeader(FourCC id, uint32_t size);
    bool WritePad();

    static constexpr uint64_t Padded(uint64_t size) { return size + (size & 1); }

    FourCC id_;
    FourCC listType_ = 0;
    uint32_t size_ = 0;
    ChunkStream& source_;
    ChunkStream& destination_;
    ConversionContext& context_;
};

// Reads the file's first FOURCC and creates the handler of its RIFF chunk,
// or records why the file is refused.
std::unique_ptr<ChunkHandler> OpenRiff(ConversionContext& context);

}  // namespace kestrel
