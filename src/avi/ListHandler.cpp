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
    if (listType_ == avi::kMovi)
        return ProcessMovi();

    if (listType_ == avi::kStrl)
        context_.ListStream.reset();
    const uint64_t start = BeginChunk(avi::kList, listType_);
    if (Status children = WalkChildren(); !children.Ok())
        return children;
    // Room for the OpenDML indexes, where the file may need it.
    if (listType_ == avi::kStrl && context_.ListStream)
        if (Status room = context_.Output.EndStreamList(*context_.ListStream); !room.Ok())
            return room;
    if (listType_ == avi::kHdrl && parentListType_ == avi::kAviForm)
        if (Status room = context_.Output.EndHeaderList(); !room.Ok())
            return room;
    return EndChunk(start);
}

// The output's 'movi' lists are the writer's: one source 'movi' list may be
// written into several RIFF chunks, and the 'movi' lists of a source's
// RIFF chunks go on in one output list while they fit.
Status ListHandler::ProcessMovi()
{
    if (!context_.Output.MoviOpen())
        context_.MoviBase = context_.Output.BeginMovi();
    // The frames of 'movi' are transcoded ahead while the walk goes on.
    if (context_.HaveVideoFormat)
        context_.Pipeline =
            FramePipeline::Start(context_.SourcePath, source_.Position(), start_ + avi::kChunkHeaderSize + size_,
                                 context_.VideoStream, context_.VideoFrameFormat(), context_.Jobs);
    if (Status children = WalkChildren(); !children.Ok())
        return children;
    context_.Pipeline.reset();
    if (context_.SourceContinues)
        return {};
    return context_.Output.EndMovi();
}

}  // namespace kestrel
