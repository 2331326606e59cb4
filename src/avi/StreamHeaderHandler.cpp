#include "avi/StreamHeaderHandler.h"

#include "avi/AviLayout.h"
#include "avi/ChunkStream.h"
#include "job/StatusCode.h"

#include <algorithm>

namespace kestrel {

ChunkResult StreamHeaderHandler::Process()
{
    uint8_t block[avi::kChunkHeaderSize + avi::strh::kSize];
    uint8_t* header = block + avi::kChunkHeaderSize;
    if (!ReadFixedSizeChunk(avi::strh::kSize, block))
        return ChunkResult::Failure();

    const int32_t streamNumber = context_.StreamCount++;
    context_.LastStreamType = ReadLe32(header + avi::strh::kType);
    if (context_.LastStreamType == avi::kVids) {
        const FourCC handler = ReadLe32(header + avi::strh::kHandler);
        if (!avi::IsMjpeg(handler)) {
            context_.Fail(status::kNotMjpegHandler, handler);
            return ChunkResult::Failure();
        }
        if (!context_.VideoStream)
            context_.VideoStream = streamNumber;
        if (SwapsDimensions(context_.Mode))
            std::swap_ranges(header + avi::strh::kFrameRight, header + avi::strh::kFrameRight + 2,
                             header + avi::strh::kFrameBottom);
    }

    if (destination_.Write(block, sizeof block) == ChunkStream::kStreamFailure)
        return ChunkResult::Failure();
    return {sizeof block, sizeof block};
}

}  // namespace kestrel
