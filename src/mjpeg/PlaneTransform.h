#pragma once

#include "base/Transform.h"
#include "mjpeg/PictureSize.h"

#include <cstddef>
#include <cstdint>

namespace kestrel::mjpeg {

// The size of a picture or plane after `mode`: the quarter turns exchange
// width and height.
PictureSize TransformedSize(PictureSize source, RotationMode mode);

// Whether `mode` reverses the order of the columns (rows) of the transformed
// picture with respect to the source's axis they come from.
constexpr bool ReversesColumns(RotationMode mode)
{
    return mode == RotationMode::Clockwise90 || mode == RotationMode::Rotate180 || mode == RotationMode::MirrorX;
}
constexpr bool ReversesRows(RotationMode mode)
{
    return mode == RotationMode::Anticlockwise90 || mode == RotationMode::Rotate180 || mode == RotationMode::MirrorY;
}

// Copies rows firstRow .. firstRow + count - 1 of a W x H plane of 8-bit
// samples (rows[k] is row firstRow + k) to their places in `destination`,
// whose rows are `destinationStride` bytes apart, under `mode`:
//   Clockwise90      (y, x) -> (x, H-1-y)        in an H x W plane
//   Rotate180        (y, x) -> (H-1-y, W-1-x)
//   Anticlockwise90  (y, x) -> (W-1-x, y)        in an H x W plane
//   MirrorX          (y, x) -> (y, W-1-x)
//   MirrorY          (y, x) -> (H-1-y, x)
// The mapping is the plane's own: a subsampled chroma plane is turned or
// mirrored as a grid of its samples. The destination must not overlap the
// rows; only the samples the rows map to are written.
void PlaceRows(const uint8_t* const* rows, uint32_t firstRow, uint32_t count, PictureSize planeSize, RotationMode mode,
               uint8_t* destination, size_t destinationStride);

// The whole plane through PlaceRows.
void TransformPlane(const uint8_t* source, size_t sourceStride, PictureSize planeSize, RotationMode mode,
                    uint8_t* destination, size_t destinationStride);

}  // namespace kestrel::mjpeg
