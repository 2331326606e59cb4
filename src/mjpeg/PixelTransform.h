#pragma once

#include "job/RotationMode.h"
#include "mjpeg/PictureSize.h"

#include <cstdint>

namespace kestrel::mjpeg {

inline constexpr int kBytesPerPixel = 3;  // Y, Cb, Cr

// The size of the picture after `mode`: the quarter turns exchange width and
// height.
PictureSize TransformedSize(PictureSize source, RotationMode mode);

// Copies every pixel of `source` (row-major, top row first, 3 bytes a pixel)
// to its place in `destination` under `mode`:
//   Clockwise90      (y, x) -> (x, H-1-y)        in an H x W picture
//   Rotate180        (y, x) -> (H-1-y, W-1-x)
//   Anticlockwise90  (y, x) -> (W-1-x, y)        in an H x W picture
//   MirrorX          (y, x) -> (y, W-1-x)
//   MirrorY          (y, x) -> (H-1-y, x)
// Both buffers hold W x H x 3 bytes and must not overlap. The quarter turns
// work in square tiles so that both pictures are walked cache-friendly.
void TransformPixels(const uint8_t* source, uint8_t* destination, PictureSize sourceSize, RotationMode mode);

}  // namespace kestrel::mjpeg
