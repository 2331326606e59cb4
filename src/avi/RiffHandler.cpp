#include "avi/RiffHandler.h"

#include "avi/AviLayout.h"
#include "avi/ChunkStream.h"
#include "base/StatusCode.h"

namespace kestrel {

// The first RIFF chunk holds the headers and the first 'movi' list; files
// over 1 GB continue in OpenDML 'AVIX' RIFF chunks, each with a 'movi' list
// of its own. The writer lays out the output's RIFF chunks by their own
// size, so the source's boundaries end nothing in the output: a 'movi' list
// goes on in the next 'AVIX'.
Status RiffHandler::Process()
{
    if (Status type = ReadListType(); !type.Ok())
        return type;
    const bool first = context_.SourceRiffs++ == 0;
    if (first && listType_ != avi::kAviForm)
        return Status::Fail(status::kNotAvi, listType_);
    if (!first && listType_ != avi::kAvixForm)
        return Status::Fail(status::kRiffExtension, listType_);

    const uint64_t riffEnd = start_ + avi::kChunkHeaderSize + Padded(size_);
    uint8_t next[4];
    context_.SourceContinues = source_.PeekAt(riffEnd, next, sizeof next) && ReadLe32(next) == avi::kRiff;
    if (first)
        context_.Output.BeginFirstRiff();
    return WalkChildren();
}

}  // namespace kestrel
