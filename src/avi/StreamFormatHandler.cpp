#include "avi/StreamFormatHandler.h"

#include "avi/AviLayout.h"
#include "avi/ChunkStream.h"
#include "job/StatusCode.h"

#include <algorithm>

namespace kestrel {
namespace {

// The JPEG library's own limit on either dimension.
constexpr int32_t kMaximumDimension = 65500;

}  // namespace

ChunkResult StreamFormatHandler::Process()
{
    uint8_t block[avi::kChunkHeaderSize + avi::strf::kSize];
    uint8_t* format = block + avi::kChunkHeaderSize;
    if (!ReadFixedSizeChunk(avi::strf::kSize, block))
        return ChunkResult::Failure();

    const FourCC compression = ReadLe32(format + avi::strf::kCompression);
    if (!avi::IsMjpeg(compression)) {
        context_.Fail(status::kNotMjpegFormat, compression);
        return ChunkResult::Failure();
    }
    const uint16_t bitCount = ReadLe16(format + avi::strf::kBitCount);
    if (bitCount != 24) {
        context_.Fail(status::kNot24Bit, bitCount);
        return ChunkResult::Failure();
    }
    const auto width = static_cast<int32_t>(ReadLe32(format + avi::strf::kWidth));
    const auto height = static_cast<int32_t>(ReadLe32(format + avi::strf::kHeight));
    if (width <= 0 || height <= 0 || width > kMaximumDimension || height > kMaximumDimension) {
        context_.Fail(status::kBadFrameSize, static_cast<uint32_t>(width), static_cast<uint32_t>(height));
        return ChunkResult::Failure();
    }
    context_.FrameWidth = width;
    context_.FrameHeight = height;
    context_.HaveVideoFormat = true;
    if (SwapsDimensions(context_.Mode))
        std::swap_ranges(format + avi::strf::kWidth, format + avi::strf::kWidth + 4, format + avi::strf::kHeight);

    if (destination_.Write(block, sizeof block) == ChunkStream::kStreamFailure)
        return ChunkResult::Failure();
    return {sizeof block, sizeof block};
}

}  // namespace kestrel
