#include "avi/StreamHeaderHandler.h"

#include "avi/AviLayout.h"
#include "avi/ChunkStream.h"
#include "avi/RiffWriter.h"
#include "base/StatusCode.h"

#include <algorithm>

namespace kestrel {

Status StreamHeaderHandler::Process()
{
    uint8_t block[avi::kChunkHeaderSize + avi::strh::kSize];
    uint8_t* header = block + avi::kChunkHeaderSize;
    if (Status read = ReadFixedSizeChunk(avi::strh::kSize, block); !read.Ok())
        return read;

    const int32_t streamNumber = walk_.streamCount++;
    walk_.lastStreamType = ReadLe32(header + avi::strh::kType);
    walk_.listStream = streamNumber;
    output_.NoteStream(streamNumber, walk_.lastStreamType, ReadLe32(header + avi::strh::kSampleSize));
    if (walk_.lastStreamType == avi::kVids) {
        const FourCC handler = ReadLe32(header + avi::strh::kHandler);
        if (!avi::IsMjpegHandler(handler))
            return Status::Fail(status::kNotMjpegHandler, handler);
        if (!walk_.videoStream) {
            walk_.videoStream = streamNumber;
            output_.NoteVideoStreamHeader(output_.Position() + avi::kChunkHeaderSize);
        }
        if (SwapsDimensions(mode_))
            std::swap_ranges(header + avi::strh::kFrameRight, header + avi::strh::kFrameRight + 2,
                             header + avi::strh::kFrameBottom);
    }

    return output_.Write(block, sizeof block);
}

}  // namespace kestrel
