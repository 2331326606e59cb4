#include "avi/FrameScan.h"

#include "avi/AviLayout.h"

namespace kestrel {
bool IsVideoFrameChunk(FourCC id, std::optional<int32_t> videoStream)
{
    const uint16_t suffix = FourCCSuffix(id);
    return suffix == avi::kSuffixCompressedVideo ||
           (suffix == avi::kSuffixUncompressedVideo && videoStream && avi::StreamNumber(id) == videoStream);
}

FrameScanner::FrameScanner(ChunkStream& source, uint64_t begin, uint64_t end, std::optional<int32_t> videoStream)
    : source_(source), videoStream_(videoStream), levels_{{{begin, end}, {end, end}}}
{
}

std::optional<FrameSpan> FrameScanner::Next() noexcept
{
    while (depth_ > 0) {
        Level& level = levels_[depth_ - 1];
        if (level.position >= level.end) {
            --depth_;
            continue;
        }
        uint8_t header[avi::kChunkHeaderSize + avi::kListTypeSize];
        if (!source_.PeekAt(level.position, header, avi::kChunkHeaderSize))
            break;
        const FourCC id = ReadLe32(header);
        const uint32_t size = ReadLe32(header + 4);
        const uint64_t start = level.position;
        const uint64_t end = start + avi::kChunkHeaderSize + size;
        if (end > level.end || end > source_.Size())
            break;
        level.position = end + (size & 1);

        if (id == avi::kList) {
            // Only 'movi' itself holds 'rec ' lists.
            if (depth_ == 1 && size >= avi::kListTypeSize &&
                source_.PeekAt(start + avi::kChunkHeaderSize, header + avi::kChunkHeaderSize, avi::kListTypeSize) &&
                ReadLe32(header + avi::kChunkHeaderSize) == avi::kRec)
                levels_[depth_++] = {start + avi::kChunkHeaderSize + avi::kListTypeSize, end};
            continue;
        }
        if (size > 0 && IsVideoFrameChunk(id, videoStream_))
            return FrameSpan{start, size};
    }
    depth_ = 0;
    return std::nullopt;
}

}  // namespace kestrel
