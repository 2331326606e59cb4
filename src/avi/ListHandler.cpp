#include "avi/ListHandler.h"

#include "avi/AviLayout.h"
#include "avi/ChunkStream.h"
#include "avi/FramePipeline.h"
#include "base/StatusCode.h"

namespace kestrel {

Status ListHandler::Process()
{
    if (Status type = ReadListType(); !type.Ok())
        return type;
    if (listType_ == avi::kRec && parentListType_ != avi::kMovi)
        return Status::Fail(status::kRecOutsideMovi);

    const uint64_t start = BeginChunk(avi::kList, listType_);
    if (listType_ == avi::kMovi) {
        context_.MoviBase = start + avi::kChunkHeaderSize;
        // The frames of 'movi' are transcoded ahead while the walk goes on.
        if (context_.HaveVideoFormat)
            context_.Pipeline =
                FramePipeline::Start(context_.SourcePath, source_.Position(), start_ + avi::kChunkHeaderSize + size_,
                                     context_.VideoStream, context_.VideoFrameFormat(), context_.Jobs);
    }
    if (Status children = WalkChildren(); !children.Ok())
        return children;
    if (listType_ == avi::kMovi)
        context_.Pipeline.reset();
    return EndChunk(start);
}

}  // namespace kestrel
