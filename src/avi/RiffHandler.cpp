#include "avi/RiffHandler.h"

#include "avi/AviLayout.h"
#include "avi/ChunkStream.h"
#include "job/StatusCode.h"

#include <algorithm>

namespace kestrel {

ChunkResult RiffHandler::Process()
{
    context_.StartFile();
    if (!ReadHeader() || !ReadListType())
        return ChunkResult::Failure();
    if (listType_ != avi::kAviForm) {
        context_.Fail(status::kNotAvi, listType_);
        return ChunkResult::Failure();
    }

    // Files over 1 GB continue in further 'RIFF' chunks (OpenDML 'AVIX');
    // converting only the first one would lose frames.
    const uint64_t riffEnd = avi::kChunkHeaderSize + Padded(uint64_t(size_) + avi::kListTypeSize);
    uint8_t next[4];
    if (source_.PeekAt(riffEnd, next, sizeof next) && ReadLe32(next) == avi::kRiff) {
        context_.Fail(status::kRiffExtension);
        return ChunkResult::Failure();
    }

    uint64_t sizePos = 0;
    if (!WriteListHeader(avi::kRiff, sizePos))
        return ChunkResult::Failure();

    const ChunkResult children = WalkChildren();
    if (children.Failed())
        return ChunkResult::Failure();

    uint64_t riffSize = children.written + avi::kListTypeSize;
    if (const uint64_t entries = context_.IndexEntries.size()) {
        const uint64_t indexSize = entries * avi::idx1::kEntrySize;
        if (riffSize + avi::kChunkHeaderSize + indexSize > UINT32_MAX) {
            context_.Fail(status::kTooLarge);
            return ChunkResult::Failure();
        }
        if (!WriteIndex(destination_, context_.IndexEntries))
            return ChunkResult::Failure();
        riffSize += avi::kChunkHeaderSize + indexSize;
        context_.LargestChunkSize = std::max<uint32_t>(context_.LargestChunkSize, static_cast<uint32_t>(indexSize));
    }
    if (!PatchSize(sizePos, riffSize))
        return ChunkResult::Failure();
    if (context_.SuggestedBufferSizePos && !PatchSize(*context_.SuggestedBufferSizePos, context_.LargestChunkSize))
        return ChunkResult::Failure();
    if ((riffSize & 1) && !WritePad())
        return ChunkResult::Failure();
    return {children.consumed + avi::kChunkHeaderSize + avi::kListTypeSize,
            avi::kChunkHeaderSize + Padded(riffSize)};
}

}  // namespace kestrel
