#pragma once

#include "base/Transform.h"
#include "mjpeg/PictureSize.h"

#include <cstdint>

namespace kestrel::mjpeg {

inline constexpr int kBytesPerPixel = 3;  // Y, Cb, Cr

// Rows are placed in strips of at most this many: a strip of a quarter turn
// fills a run of this many pixels in every destination row at once.
inline constexpr uint32_t kStripRows = 16;

// The size of the picture after `mode`: the quarter turns exchange width and
// height.
PictureSize TransformedSize(PictureSize source, RotationMode mode);

// Copies source rows firstRow .. firstRow + count - 1 of a W x H picture
// (3 bytes a pixel; rows[k] is row firstRow + k) to their places in
// `destination` under `mode`:
//   Clockwise90      (y, x) -> (x, H-1-y)        in an H x W picture
//   Rotate180        (y, x) -> (H-1-y, W-1-x)
//   Anticlockwise90  (y, x) -> (W-1-x, y)        in an H x W picture
//   MirrorX          (y, x) -> (y, W-1-x)
//   MirrorY          (y, x) -> (H-1-y, x)
// `destination` holds W x H x 3 bytes and must not overlap the rows. Every
// destination pixel of those rows is written exactly once.
void PlaceRows(const uint8_t* const* rows, uint32_t firstRow, uint32_t count, PictureSize sourceSize,
               RotationMode mode, uint8_t* destination);

// The whole picture through PlaceRows, one strip at a time.
void TransformPixels(const uint8_t* source, uint8_t* destination, PictureSize sourceSize, RotationMode mode);

}  // namespace kestrel::mjpeg
