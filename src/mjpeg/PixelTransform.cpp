#include "mjpeg/PixelTransform.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

namespace kestrel::mjpeg {

namespace {

// Edge of the square tiles of the quarter turns, in pixels: a tile's source
// rows and destination rows (32 x 96 bytes each) stay in the first-level cache.
constexpr int32_t kTileEdge = 32;

inline void CopyPixel(uint8_t* to, const uint8_t* from)
{
    std::memcpy(to, from, kBytesPerPixel);
}

// Clockwise: (y, x) -> row x, column H-1-y. Anticlockwise: (y, x) -> row
// W-1-x, column y. The destination rows are H pixels long.
void RotateQuarter(const uint8_t* source, uint8_t* destination, PictureSize size, bool clockwise)
{
    const auto width = static_cast<size_t>(size.width);
    const auto height = static_cast<size_t>(size.height);
    for (size_t y0 = 0; y0 < height; y0 += kTileEdge) {
        const size_t y1 = std::min(y0 + kTileEdge, height);
        for (size_t x0 = 0; x0 < width; x0 += kTileEdge) {
            const size_t x1 = std::min(x0 + kTileEdge, width);
            for (size_t y = y0; y < y1; ++y) {
                const uint8_t* from = source + (y * width + x0) * kBytesPerPixel;
                for (size_t x = x0; x < x1; ++x, from += kBytesPerPixel) {
                    const size_t to = clockwise ? x * height + (height - 1 - y) : (width - 1 - x) * height + y;
                    CopyPixel(destination + to * kBytesPerPixel, from);
                }
            }
        }
    }
}

void Rotate180(const uint8_t* source, uint8_t* destination, PictureSize size)
{
    const size_t pixels = static_cast<size_t>(size.width) * static_cast<size_t>(size.height);
    for (size_t i = 0; i < pixels; ++i) {
        CopyPixel(destination + (pixels - 1 - i) * kBytesPerPixel, source + i * kBytesPerPixel);
    }
}

void MirrorX(const uint8_t* source, uint8_t* destination, PictureSize size)
{
    const auto width = static_cast<size_t>(size.width);
    const size_t stride = width * kBytesPerPixel;
    for (size_t y = 0; y < static_cast<size_t>(size.height); ++y) {
        const uint8_t* from = source + y * stride;
        uint8_t* rowEnd = destination + y * stride + stride;
        for (size_t x = 0; x < width; ++x) {
            CopyPixel(rowEnd - (x + 1) * kBytesPerPixel, from + x * kBytesPerPixel);
        }
    }
}

void MirrorY(const uint8_t* source, uint8_t* destination, PictureSize size)
{
    const size_t stride = static_cast<size_t>(size.width) * kBytesPerPixel;
    const auto height = static_cast<size_t>(size.height);
    for (size_t y = 0; y < height; ++y) {
        std::memcpy(destination + (height - 1 - y) * stride, source + y * stride, stride);
    }
}

}  // namespace

PictureSize TransformedSize(PictureSize source, RotationMode mode)
{
    return SwapsDimensions(mode) ? PictureSize{source.height, source.width} : source;
}

void TransformPixels(const uint8_t* source, uint8_t* destination, PictureSize sourceSize, RotationMode mode)
{
    if (sourceSize.width <= 0 || sourceSize.height <= 0) {
        return;
    }
    switch (mode) {
    case RotationMode::Clockwise90:
        RotateQuarter(source, destination, sourceSize, true);
        break;
    case RotationMode::Rotate180:
        Rotate180(source, destination, sourceSize);
        break;
    case RotationMode::Anticlockwise90:
        RotateQuarter(source, destination, sourceSize, false);
        break;
    case RotationMode::MirrorX:
        MirrorX(source, destination, sourceSize);
        break;
    case RotationMode::MirrorY:
        MirrorY(source, destination, sourceSize);
        break;
    }
}

}  // namespace kestrel::mjpeg
