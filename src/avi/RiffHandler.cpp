#include "avi/RiffHandler.h"

#include "avi/AviLayout.h"
#include "avi/ChunkStream.h"
#include "avi/ChunkWalker.h"
#include "avi/ConversionContext.h"
#include "base/StatusCode.h"

namespace kestrel {

RiffHandler::RiffHandler(FourCC id, ConversionContext& context)
    : ChunkHandler(id, context.source, context.output), context_(context)
{
}

// The first RIFF chunk holds the headers and the first 'movi' list; files
// over 1 GB continue in OpenDML 'AVIX' RIFF chunks, each with a 'movi' list
// of its own. The writer lays out the output's RIFF chunks by their own
// size, so the source's boundaries end nothing in the output: a 'movi' list
// goes on in the next 'AVIX'.
Status RiffHandler::Process()
{
    if (Status type = ReadListType(); !type.Ok())
        return type;
    WalkState& walk = context_.walk;
    const bool first = walk.sourceRiffs++ == 0;
    if (first && listType_ != avi::kAviForm)
        return Status::Fail(status::kNotAvi, listType_);
    if (!first && listType_ != avi::kAvixForm)
        return Status::Fail(status::kRiffExtension, listType_);

    const uint64_t end = start_ + avi::kChunkHeaderSize + size_;
    uint8_t next[4];
    walk.sourceContinues = source_.PeekAt(end + (size_ & 1), next, sizeof next) && ReadLe32(next) == avi::kRiff;
    if (first)
        output_.BeginFirstRiff();
    if (Status children = ConvertChildren(context_, listType_, end, open_); !children.Ok())
        return children;
    return open_ && !output_.MoviBegun() ? walk.openRiffRefusal : Status();
}

}  // namespace kestrel
