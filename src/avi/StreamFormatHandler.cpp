#include "avi/StreamFormatHandler.h"

#include "avi/AviLayout.h"
#include "avi/ChunkStream.h"
#include "base/StatusCode.h"

#include <algorithm>

namespace kestrel {
namespace {

// The JPEG library's own limit on either dimension.
constexpr int32_t kMaximumDimension = 65500;

}  // namespace

Status StreamFormatHandler::Process()
{
    // The bitmap info header; whatever a writer stores behind it (some add
    // zero bytes and count them in biSize) is copied unchanged.
    if (size_ < avi::strf::kSize)
        return Status::Fail(status::kChunkWrongSize, id_);
    uint8_t format[avi::strf::kSize];
    if (!source_.Read(format, sizeof format))
        return source_.Result();

    const FourCC compression = ReadLe32(format + avi::strf::kCompression);
    if (!avi::IsMjpeg(compression))
        return Status::Fail(status::kNotMjpegFormat, compression);
    const uint16_t bitCount = ReadLe16(format + avi::strf::kBitCount);
    if (bitCount != 24)
        return Status::Fail(status::kNot24Bit, bitCount);
    const auto width = static_cast<int32_t>(ReadLe32(format + avi::strf::kWidth));
    const auto height = static_cast<int32_t>(ReadLe32(format + avi::strf::kHeight));
    if (width <= 0 || height <= 0 || width > kMaximumDimension || height > kMaximumDimension)
        return Status::Fail(status::kBadFrameSize, static_cast<uint32_t>(width), static_cast<uint32_t>(height));
    if (uint64_t(width) * uint64_t(height) > status::kMaximumPicturePixels)
        return Status::Fail(status::kPictureTooLarge, static_cast<uint32_t>(width), static_cast<uint32_t>(height));
    context_.FrameWidth = width;
    context_.FrameHeight = height;
    context_.HaveVideoFormat = true;
    if (SwapsDimensions(context_.Mode))
        std::swap_ranges(format + avi::strf::kWidth, format + avi::strf::kWidth + 4, format + avi::strf::kHeight);

    const uint64_t start = BeginChunk(id_);
    destination_.Write(format, sizeof format);
    if (Status moved = MovePayload(size_ - avi::strf::kSize, Payload::Copy); !moved.Ok())
        return moved;
    return EndChunk(start);
}

}  // namespace kestrel
