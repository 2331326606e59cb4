#include "avi/VideoFormat.h"

#include "avi/AviLayout.h"
#include "base/StatusCode.h"

namespace kestrel::avi {

Status ReadVideoFormat(const uint8_t* header, mjpeg::PictureSize& size)
{
    const FourCC compression = ReadLe32(header + strf::kCompression);
    if (!IsMjpeg(compression))
        return Status::Fail(status::kNotMjpegFormat, compression);
    const uint16_t bitCount = ReadLe16(header + strf::kBitCount);
    if (bitCount != 24)
        return Status::Fail(status::kNot24Bit, bitCount);
    const auto width = static_cast<int32_t>(ReadLe32(header + strf::kWidth));
    const auto height = static_cast<int32_t>(ReadLe32(header + strf::kHeight));
    if (width <= 0 || height <= 0 || width > mjpeg::kMaximumDimension || height > mjpeg::kMaximumDimension)
        return Status::Fail(status::kBadFrameSize, static_cast<uint32_t>(width), static_cast<uint32_t>(height));
    if (uint64_t(width) * uint64_t(height) > status::kMaximumPicturePixels)
        return Status::Fail(status::kPictureTooLarge, static_cast<uint32_t>(width), static_cast<uint32_t>(height));
    size = {width, height};
    return {};
}

}  // namespace kestrel::avi
