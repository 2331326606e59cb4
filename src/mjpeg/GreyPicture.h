#pragma once

#include <cstdint>
#include <vector>

namespace kestrel::mjpeg {

// Writes into `out` a baseline JPEG picture of `width` x `height` pixels,
// all of them neutral grey (Y, Cb and Cr 128), 4:2:2: what stands in for a
// frame the library cannot decode when no earlier frame can. False when the
// library gave up (no memory, a size it does not take).
bool EncodeGreyPicture(int32_t width, int32_t height, std::vector<uint8_t>& out);

}  // namespace kestrel::mjpeg
