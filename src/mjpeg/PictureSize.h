#pragma once

#include <cstdint>

namespace kestrel::mjpeg {

// The JPEG library's limit on either side of a picture.
inline constexpr int32_t kMaximumDimension = 65500;

// Width and height of a picture in pixels.
struct PictureSize {
    int32_t width = 0;
    int32_t height = 0;

    friend bool operator==(const PictureSize&, const PictureSize&) = default;
};

}  // namespace kestrel::mjpeg
