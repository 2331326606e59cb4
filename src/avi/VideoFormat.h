#pragma once

#include "base/Failure.h"
#include "mjpeg/PictureSize.h"

#include <cstdint>

namespace kestrel::avi {

// Reads the bitmap info header of a video stream's 'strf' chunk (strf::kSize
// bytes) as Kestrel converts it: 24-bit Motion-JPEG of a size the JPEG
// library takes and the picture limit allows. On success `size` holds the
// frames' width and height. The conversion and the window's preview decide
// by this one check.
Status ReadVideoFormat(const uint8_t* header, mjpeg::PictureSize& size);

}  // namespace kestrel::avi
