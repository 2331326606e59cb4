#include "avi/RiffHandler.h"

#include "avi/AviLayout.h"
#include "avi/ChunkStream.h"
#include "avi/ChunkWalker.h"
#include "avi/ConversionContext.h"
#include "base/StatusCode.h"

#include <algorithm>
#include <optional>

namespace kestrel {
namespace {

// Where the next RIFF chunk starts at or behind `at`: writers leave a 'JUNK'
// chunk or zero bytes between RIFF chunks. Nothing when the file ends
// first, or when something else stands there; its offset then goes to
// `ignoredFrom`. A read error is an error, not the end of the file.
Status FindNextRiff(ChunkStream& source, uint64_t at, std::optional<uint64_t>& next,
                    std::optional<uint64_t>& ignoredFrom)
{
    const uint64_t size = source.Size();
    while (at < size) {
        uint8_t header[avi::kChunkHeaderSize] = {};
        const auto n = static_cast<uint32_t>(std::min<uint64_t>(sizeof header, size - at));
        if (!source.PeekAt(at, header, n))
            return source.Result();
        const FourCC id = ReadLe32(header);
        if (n == sizeof header && id == avi::kRiff) {
            next = at;
            return {};
        }
        const uint64_t junkEnd = at + avi::kChunkHeaderSize + ReadLe32(header + 4) + (ReadLe32(header + 4) & 1);
        if (n == sizeof header && id == avi::kJunk && junkEnd <= size) {
            at = junkEnd;
            continue;
        }
        if (header[0] != 0) {
            ignoredFrom = at;
            return {};
        }
        // Zero bytes: on past them, to the first other byte.
        at += static_cast<uint64_t>(std::find_if(header, header + n, [](uint8_t b) { return b != 0; }) - header);
    }
    return {};
}

}  // namespace

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
    std::optional<uint64_t> next;
    std::optional<uint64_t> ignoredFrom;
    if (Status found = FindNextRiff(source_, end + (size_ & 1), next, ignoredFrom); !found.Ok())
        return found;
    walk.sourceContinues = next.has_value();
    walk.nextRiff = next.value_or(0);
    if (ignoredFrom) {
        walk.recordingEnd.ignoredFrom = *ignoredFrom;
        walk.recordingEnd.ignoredBytes = source_.Size() - *ignoredFrom;
    }
    if (first)
        output_.BeginFirstRiff();
    if (Status children = ConvertChildren(context_, listType_, end, open_); !children.Ok())
        return children;
    return open_ && !output_.MoviBegun() ? walk.openRiffRefusal : Status();
}

}  // namespace kestrel
