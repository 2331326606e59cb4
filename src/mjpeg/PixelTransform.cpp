#include "mjpeg/PixelTransform.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

namespace kestrel::mjpeg {

namespace {

// Edge of the square tiles of the quarter turns, in pixels: a tile's source
// and destination rows stay in the first-level cache while it is copied.
constexpr size_t kTileEdge = 32;

// Pixels are moved with one 4-byte load and one 4-byte store: the fourth
// byte read belongs to the next pixel, and the fourth byte written is
// overwritten by the next pixel that the loops write. Only the last pixel of
// a buffer must not be read that way (its fourth byte lies past the end),
// and only a pixel whose right neighbour is written before it must not be
// written that way.
inline void MovePixelWide(uint8_t* to, const uint8_t* from)
{
    uint32_t pixel;
    std::memcpy(&pixel, from, sizeof(pixel));
    std::memcpy(to, &pixel, sizeof(pixel));
}

inline void MovePixel(uint8_t* to, const uint8_t* from)
{
    std::memcpy(to, from, kBytesPerPixel);
}

// Moves `count` pixels into consecutive destination pixels from source
// pixels first, first + step, first + 2 step, ... all of them wide. Returns
// the index of the source pixel after the run.
inline ptrdiff_t MoveRunWide(uint8_t* to, const uint8_t* source, ptrdiff_t first, ptrdiff_t step, size_t count)
{
    ptrdiff_t from = first;
    for (size_t n = 0; n < count; ++n, to += kBytesPerPixel, from += step) {
        MovePixelWide(to, source + from * kBytesPerPixel);
    }
    return from;
}

// One destination row segment [c, end) of a run: the pixel at the
// destination row's end (`lastOfRow`) and a pixel read from the source's last
// pixel are moved narrow, all others wide.
inline void MoveSegment(uint8_t* to, const uint8_t* source, ptrdiff_t from, ptrdiff_t step, size_t count,
                        bool lastOfRow, ptrdiff_t lastSource)
{
    size_t wide = lastOfRow ? count - 1 : count;
    if (wide > 0 && from == lastSource) {
        MovePixel(to, source + from * kBytesPerPixel);
        to += kBytesPerPixel;
        from += step;
        --wide;
    }
    from = MoveRunWide(to, source, from, step, wide);
    if (lastOfRow) {
        MovePixel(to + wide * kBytesPerPixel, source + from * kBytesPerPixel);
    }
}

// Walks the destination in tiles, left to right within each band of tile
// rows, and fetches each destination pixel (row r, column c) from the source:
// clockwise from (H-1-c, r), anticlockwise from (c, W-1-r). The destination
// rows are H pixels long. Within a row the source is read a column at a
// time, so the source's last pixel can only start a segment (clockwise) or
// end a destination row (anticlockwise).
void RotateQuarter(const uint8_t* source, uint8_t* destination, PictureSize size, bool clockwise)
{
    const auto width = static_cast<ptrdiff_t>(size.width);
    const auto height = static_cast<ptrdiff_t>(size.height);
    const ptrdiff_t lastSource = width * height - 1;
    const ptrdiff_t step = clockwise ? -width : width;
    const auto destWidth = static_cast<size_t>(height);
    const auto destHeight = static_cast<size_t>(width);
    for (size_t r0 = 0; r0 < destHeight; r0 += kTileEdge) {
        const size_t r1 = std::min(r0 + kTileEdge, destHeight);
        for (size_t c0 = 0; c0 < destWidth; c0 += kTileEdge) {
            const size_t c1 = std::min(c0 + kTileEdge, destWidth);
            const auto c = static_cast<ptrdiff_t>(c0);
            for (size_t r = r0; r < r1; ++r) {
                const auto row = static_cast<ptrdiff_t>(r);
                const ptrdiff_t from = clockwise ? (height - 1 - c) * width + row : c * width + (width - 1 - row);
                MoveSegment(destination + (r * destWidth + c0) * kBytesPerPixel, source, from, step, c1 - c0,
                            c1 == destWidth, lastSource);
            }
        }
    }
}

// Rows are written top to bottom and each row left to right, so only the
// picture's last pixel needs a narrow write; the source's last pixel starts
// the destination.
void Rotate180(const uint8_t* source, uint8_t* destination, PictureSize size)
{
    const auto pixels = static_cast<size_t>(size.width) * static_cast<size_t>(size.height);
    const auto lastSource = static_cast<ptrdiff_t>(pixels) - 1;
    MoveSegment(destination, source, lastSource, -1, pixels, true, lastSource);
}

void MirrorX(const uint8_t* source, uint8_t* destination, PictureSize size)
{
    const auto width = static_cast<size_t>(size.width);
    const auto height = static_cast<size_t>(size.height);
    const auto lastSource = static_cast<ptrdiff_t>(width * height) - 1;
    for (size_t y = 0; y < height; ++y) {
        const auto rowEnd = static_cast<ptrdiff_t>((y + 1) * width) - 1;
        MoveSegment(destination + y * width * kBytesPerPixel, source, rowEnd, -1, width, y + 1 == height, lastSource);
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
