#include "avi/ListHandler.h"

#include "avi/AviLayout.h"
#include "avi/ChunkStream.h"
#include "base/StatusCode.h"

namespace kestrel {

Status ListHandler::Process()
{
    if (Status type = ReadListType(); !type.Ok())
        return type;
    if (listType_ == avi::kRec && parentListType_ != avi::kMovi)
        return Status::Fail(status::kRecOutsideMovi);

    const uint64_t start = BeginChunk(avi::kList, listType_);
    if (listType_ == avi::kMovi)
        context_.MoviBase = start + avi::kChunkHeaderSize;
    if (Status children = WalkChildren(); !children.Ok())
        return children;
    return EndChunk(start);
}

}  // namespace kestrel
