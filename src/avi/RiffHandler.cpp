#include "avi/RiffHandler.h"

#include "avi/AviLayout.h"
#include "avi/ChunkStream.h"
#include "base/StatusCode.h"

#include <algorithm>

namespace kestrel {

Status RiffHandler::Process()
{
    context_.StartFile();
    if (Status type = ReadListType(); !type.Ok())
        return type;
    if (listType_ != avi::kAviForm)
        return Status::Fail(status::kNotAvi, listType_);

    // Files over 1 GB continue in further 'RIFF' chunks (OpenDML 'AVIX');
    // converting only the first one would lose frames.
    const uint64_t riffEnd = start_ + avi::kChunkHeaderSize + Padded(size_);
    uint8_t next[4];
    if (source_.PeekAt(riffEnd, next, sizeof next) && ReadLe32(next) == avi::kRiff)
        return Status::Fail(status::kRiffExtension);

    const uint64_t start = BeginChunk(avi::kRiff, listType_);
    if (Status children = WalkChildren(); !children.Ok())
        return children;
    // Nothing to turn: an empty RIFF, an audio-only file. (A video stream
    // without frames is a valid, empty clip.)
    if (!context_.VideoStream || !context_.HaveVideoFormat)
        return Status::Fail(status::kNoVideoStream);

    if (!context_.IndexEntries.empty()) {
        const uint64_t indexSize = context_.IndexEntries.size() * uint64_t{avi::idx1::kEntrySize};
        if (destination_.Position() - start + indexSize > UINT32_MAX)
            return Status::Fail(status::kTooLarge);
        if (!WriteIndex(destination_, context_.IndexEntries))
            return destination_.Result();
        context_.LargestChunkSize = std::max<uint32_t>(context_.LargestChunkSize, static_cast<uint32_t>(indexSize));
    }
    if (context_.SuggestedBufferSizePos)
        if (Status patched = PatchLe32(*context_.SuggestedBufferSizePos, context_.LargestChunkSize); !patched.Ok())
            return patched;
    return EndChunk(start);
}

}  // namespace kestrel
