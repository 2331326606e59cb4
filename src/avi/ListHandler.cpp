#include "avi/ListHandler.h"

#include "avi/AviLayout.h"
#include "avi/ChunkStream.h"
#include "job/StatusCode.h"

namespace kestrel {

ChunkResult ListHandler::Process()
{
    if (!ReadHeader() || !ReadListType())
        return ChunkResult::Failure();
    if (listType_ == avi::kRec && parentListType_ != avi::kMovi) {
        context_.Fail(status::kRecOutsideMovi);
        return ChunkResult::Failure();
    }

    const uint64_t sizePos = destination_.Position() + 4;
    if (!WriteChunkHeader(avi::kList, 0))
        return ChunkResult::Failure();
    uint8_t type[4];
    WriteLe32(type, listType_);
    if (destination_.Write(type, sizeof type) == ChunkStream::kStreamFailure)
        return ChunkResult::Failure();
    if (listType_ == avi::kMovi)
        context_.MoviBase = sizePos + 4;

    ChunkResult children = WalkChildren();
    if (children.Failed())
        return ChunkResult::Failure();
    const uint64_t listSize = children.written + avi::kListTypeSize;
    if (listSize > UINT32_MAX) {
        context_.Fail(status::kTooLarge);
        return ChunkResult::Failure();
    }
    uint8_t field[4];
    WriteLe32(field, static_cast<uint32_t>(listSize));
    if (!destination_.WriteAt(sizePos, field, sizeof field))
        return ChunkResult::Failure();
    if (children.written & 1) {
        if (!WritePad())
            return ChunkResult::Failure();
        ++children.written;
    }
    const uint64_t overhead = avi::kChunkHeaderSize + avi::kListTypeSize;
    return {children.consumed + overhead, children.written + overhead};
}

}  // namespace kestrel
