#include "avi/ChunkHandler.h"

#include "avi/AviLayout.h"
#include "avi/ChunkStream.h"
#include "avi/RiffWriter.h"
#include "base/StatusCode.h"

namespace kestrel {

Status ChunkHandler::ReadListType()
{
    if (size_ < avi::kListTypeSize)
        return Status::Fail(status::kChunkWrongSize, id_);
    uint8_t field[4];
    if (!source_.Read(field, sizeof field))
        return source_.Result();
    listType_ = ReadLe32(field);
    return {};
}

Status ChunkHandler::ReadFixedSizeChunk(uint32_t expectedSize, uint8_t* block)
{
    if (size_ != expectedSize)
        return Status::Fail(status::kChunkWrongSize, id_);
    WriteLe32(block, id_);
    WriteLe32(block + 4, size_);
    source_.Read(block + avi::kChunkHeaderSize, size_);
    return source_.Result();
}

uint64_t ChunkHandler::BeginChunk(FourCC id, FourCC listType) { return output_.BeginChunk(id, size_, listType); }

// The plain copy: the chunk goes out as it came in.
Status ChunkHandler::Process()
{
    const uint64_t start = BeginChunk(id_);
    if (Status copied = output_.CopyFrom(source_, size_); !copied.Ok())
        return copied;
    return output_.EndChunk(start);
}

}  // namespace kestrel
