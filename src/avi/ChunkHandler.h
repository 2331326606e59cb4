#pragma once

#include "avi/ConversionContext.h"
#include "base/ByteOrder.h"
#include "base/Failure.h"

#include <cstdint>
#include <memory>

namespace kestrel {

class ChunkStream;

// One chunk being converted. The walker reads its FOURCC, has the dispatcher
// create its handler, reads its size and checks it against the enclosing
// list and the file; Process then reads the chunk's data (size() bytes from
// the source) and writes its converted form. The walker owns the chunk's
// extent: data the handler left unread and the pad byte are skipped by it.
// The base class converts by copying the chunk unchanged.
class ChunkHandler {
public:
    ChunkHandler(FourCC id, ChunkStream& source, ChunkStream& destination, ConversionContext& context);
    virtual ~ChunkHandler() = default;
    ChunkHandler(const ChunkHandler&) = delete;
    ChunkHandler& operator=(const ChunkHandler&) = delete;

    virtual Status Process();

    FourCC Id() const { return id_; }
    FourCC ListType() const { return listType_; }
    uint32_t size() const { return size_; }

    // The walker: converts the chunk that starts at the source's position,
    // which lies inside a list of type `parentType` ending at source offset
    // `parentEnd` (0 and the file's size at the top).
    static Status ConvertChunk(ConversionContext& context, FourCC parentType, uint64_t parentEnd);

protected:
    // Reads the list type of a RIFF or LIST chunk.
    Status ReadListType();
    // Converts the children of this list, up to the end of its data.
    Status WalkChildren();
    // The dispatcher: creates the handler of a chunk `id` inside a list of
    // type `parentType` (0: the file itself), or says why it is refused there.
    static std::unique_ptr<ChunkHandler> CreateHandler(ConversionContext& context, FourCC id, FourCC parentType,
                                                       Status& refusal);

    // Moves `length` payload bytes from the source through CopyBuffer, in
    // pieces no larger than the stream buffers.
    enum class Payload { Copy, WriteZeros, Drop };
    Status MovePayload(uint64_t length, Payload action);
    // Reads the data of a chunk whose size must be `expectedSize` into
    // `block` behind its FOURCC and size. Any other size is refused.
    Status ReadFixedSizeChunk(uint32_t expectedSize, uint8_t* block);

    // Opens a chunk in the destination: FOURCC, a size field that EndChunk
    // fills in and, for RIFF and LIST, the list type. Returns the chunk's
    // destination offset.
    uint64_t BeginChunk(FourCC id, FourCC listType = 0);
    // Closes the chunk opened at `start`: its size field says how many bytes
    // were written since, and a pad byte follows odd data.
    Status EndChunk(uint64_t start);
    // Overwrites a 32-bit field written earlier.
    Status PatchLe32(uint64_t position, uint64_t value);

    static constexpr uint64_t Padded(uint64_t size) { return size + (size & 1); }

    FourCC id_;
    FourCC listType_ = 0;
    uint32_t size_ = 0;
    uint64_t start_ = 0;  // the chunk's source offset
    ChunkStream& source_;
    ChunkStream& destination_;
    ConversionContext& context_;
};

// Converts the whole source file: its RIFF chunk, and what may follow it.
Status ConvertRiffFile(ConversionContext& context);

}  // namespace kestrel
