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

    uint64_t sizePos = 0;
    if (!WriteListHeader(avi::kList, sizePos))
        return ChunkResult::Failure();
    if (listType_ == avi::kMovi)
        context_.MoviBase = sizePos + 4;

    ChunkResult children = WalkChildren();
    if (children.Failed())
        return ChunkResult::Failure();
    if (!PatchSize(sizePos, children.written + avi::kListTypeSize))
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
