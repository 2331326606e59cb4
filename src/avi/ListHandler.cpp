#include "avi/ListHandler.h"

#include "avi/AviLayout.h"
#include "avi/ChunkStream.h"
#include "avi/ChunkWalker.h"
#include "avi/ConversionContext.h"
#include "base/StatusCode.h"

namespace kestrel {

ListHandler::ListHandler(FourCC id, ConversionContext& context, FourCC parentListType)
    : ChunkHandler(id, context.source, context.output), context_(context), parentListType_(parentListType)
{
}

Status ListHandler::Process()
{
    if (Status type = ReadListType(); !type.Ok())
        return type;
    if (listType_ == avi::kRec && parentListType_ != avi::kMovi)
        return Status::Fail(status::kRecOutsideMovi);
    if (listType_ == avi::kMovi)
        return ProcessMovi();

    WalkState& walk = context_.walk;
    if (listType_ == avi::kStrl)
        walk.listStream.reset();
    const uint64_t start = BeginChunk(avi::kList, listType_);
    if (Status children = ConvertChildren(context_, listType_, start_ + avi::kChunkHeaderSize + size_, open_);
        !children.Ok())
        return children;
    // Room for the OpenDML indexes, where the file may need it.
    if (listType_ == avi::kStrl && walk.listStream)
        if (Status room = output_.EndStreamList(*walk.listStream); !room.Ok())
            return room;
    if (listType_ == avi::kHdrl && parentListType_ == avi::kAviForm)
        if (Status room = output_.EndHeaderList(); !room.Ok())
            return room;
    return output_.EndChunk(start);
}

// The output's 'movi' lists are the writer's: one source 'movi' list may be
// written into several RIFF chunks, and the 'movi' lists of a source's
// RIFF chunks go on in one output list while they fit.
Status ListHandler::ProcessMovi()
{
    if (!output_.MoviOpen())
        output_.BeginMovi();
    const uint64_t end = start_ + avi::kChunkHeaderSize + size_;
    // The frames of 'movi' are transcoded ahead while the walk goes on.
    if (context_.walk.frameSize)
        context_.frames.BeginList(source_.Position(), end, context_.walk.videoStream, context_.VideoFrameFormat());
    const Status children = ConvertChildren(context_, listType_, end, open_);
    context_.frames.EndList();
    if (!children.Ok() || context_.walk.sourceContinues)
        return children;
    return output_.EndMovi();
}

}  // namespace kestrel
