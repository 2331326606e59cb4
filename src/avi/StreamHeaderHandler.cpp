#include "avi/StreamHeaderHandler.h"

#include "avi/AviLayout.h"
#include "avi/ChunkStream.h"
#include "base/StatusCode.h"

#include <algorithm>

namespace kestrel {

Status StreamHeaderHandler::Process()
{
    uint8_t block[avi::kChunkHeaderSize + avi::strh::kSize];
    uint8_t* header = block + avi::kChunkHeaderSize;
    if (Status read = ReadFixedSizeChunk(avi::strh::kSize, block); !read.Ok())
        return read;

    const int32_t streamNumber = context_.StreamCount++;
    context_.LastStreamType = ReadLe32(header + avi::strh::kType);
    context_.ListStream = streamNumber;
    context_.Output.NoteStream(streamNumber, context_.LastStreamType, ReadLe32(header + avi::strh::kSampleSize));
    if (context_.LastStreamType == avi::kVids) {
        const FourCC handler = ReadLe32(header + avi::strh::kHandler);
        if (!avi::IsMjpegHandler(handler))
            return Status::Fail(status::kNotMjpegHandler, handler);
        if (!context_.VideoStream)
            context_.VideoStream = streamNumber;
        if (SwapsDimensions(context_.Mode))
            std::swap_ranges(header + avi::strh::kFrameRight, header + avi::strh::kFrameRight + 2,
                             header + avi::strh::kFrameBottom);
    }

    destination_.Write(block, sizeof block);
    return destination_.Result();
}

}  // namespace kestrel
