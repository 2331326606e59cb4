#include "mjpeg/PixelTransform.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstring>

namespace kestrel::mjpeg {

namespace {

inline void MovePixel(uint8_t* to, const uint8_t* from)
{
    std::memcpy(to, from, kBytesPerPixel);
}

// Moves a pixel with one 4-byte load and store. The fourth byte read is the
// first of the source's next pixel, so `from` must not be a row's last pixel;
// the fourth byte written is the first of the destination's next pixel, so
// that one must be written afterwards.
inline void MovePixelWide(uint8_t* to, const uint8_t* from)
{
    uint32_t pixel;
    std::memcpy(&pixel, from, sizeof pixel);
    std::memcpy(to, &pixel, sizeof pixel);
}

// One row reversed: destination pixels left to right from source pixels
// right to left. The first read (the source's last pixel) and the last write
// are narrow, every other move wide.
void ReverseRow(uint8_t* to, const uint8_t* from, size_t width)
{
    const uint8_t* last = from + (width - 1) * kBytesPerPixel;
    MovePixel(to, last);
    for (size_t x = 1; x + 1 < width; ++x)
        MovePixelWide(to + x * kBytesPerPixel, last - x * kBytesPerPixel);
    if (width > 1)
        MovePixel(to + (width - 1) * kBytesPerPixel, from);
}

// Source column x of the strip becomes a run of `count` pixels in
// destination row x (clockwise: the strip's last row first) or W-1-x
// (anticlockwise: its first row first). The destination rows are H long.
// Within a run all but the last write are wide; the source's last column is
// read narrow.
void TurnStrip(const uint8_t* const* rows, size_t firstRow, size_t count, size_t width, size_t height,
               bool clockwise, uint8_t* destination)
{
    // The strip's rows in the order they land in each destination run.
    std::array<const uint8_t*, kStripRows> run;
    for (size_t j = 0; j < count; ++j)
        run[j] = clockwise ? rows[count - 1 - j] : rows[j];
    const size_t runColumn = clockwise ? height - firstRow - count : firstRow;
    const size_t destStride = height * kBytesPerPixel;
    const auto destination_of = [&](size_t x) {
        const size_t destRow = clockwise ? x : width - 1 - x;
        return destination + destRow * destStride + runColumn * kBytesPerPixel;
    };
    for (size_t x = 0; x + 1 < width; ++x) {
        uint8_t* out = destination_of(x);
        const size_t from = x * kBytesPerPixel;
        for (size_t j = 0; j + 1 < count; ++j, out += kBytesPerPixel)
            MovePixelWide(out, run[j] + from);
        MovePixel(out, run[count - 1] + from);
    }
    uint8_t* out = destination_of(width - 1);
    const size_t from = (width - 1) * kBytesPerPixel;
    for (size_t j = 0; j < count; ++j, out += kBytesPerPixel)
        MovePixel(out, run[j] + from);
}

}  // namespace

PictureSize TransformedSize(PictureSize source, RotationMode mode)
{
    return SwapsDimensions(mode) ? PictureSize{source.height, source.width} : source;
}

void PlaceRows(const uint8_t* const* rows, uint32_t firstRow, uint32_t count, PictureSize sourceSize,
               RotationMode mode, uint8_t* destination)
{
    if (sourceSize.width <= 0 || sourceSize.height <= 0)
        return;
    const auto width = static_cast<size_t>(sourceSize.width);
    const auto height = static_cast<size_t>(sourceSize.height);
    const size_t stride = width * kBytesPerPixel;
    for (uint32_t done = 0; done < count;) {
        // Quarter turns take the rows a strip at a time.
        const uint32_t n = std::min(count - done, kStripRows);
        const size_t y = firstRow + done;
        switch (mode) {
        case RotationMode::Clockwise90:
        case RotationMode::Anticlockwise90:
            TurnStrip(rows + done, y, n, width, height, mode == RotationMode::Clockwise90, destination);
            break;
        case RotationMode::Rotate180:
            for (uint32_t k = 0; k < n; ++k)
                ReverseRow(destination + (height - 1 - (y + k)) * stride, rows[done + k], width);
            break;
        case RotationMode::MirrorX:
            for (uint32_t k = 0; k < n; ++k)
                ReverseRow(destination + (y + k) * stride, rows[done + k], width);
            break;
        case RotationMode::MirrorY:
            for (uint32_t k = 0; k < n; ++k)
                std::memcpy(destination + (height - 1 - (y + k)) * stride, rows[done + k], stride);
            break;
        }
        done += n;
    }
}

void TransformPixels(const uint8_t* source, uint8_t* destination, PictureSize sourceSize, RotationMode mode)
{
    if (sourceSize.width <= 0 || sourceSize.height <= 0)
        return;
    const auto height = static_cast<uint32_t>(sourceSize.height);
    const size_t stride = static_cast<size_t>(sourceSize.width) * kBytesPerPixel;
    std::array<const uint8_t*, kStripRows> rows;
    for (uint32_t first = 0; first < height; first += kStripRows) {
        const uint32_t count = std::min(kStripRows, height - first);
        for (uint32_t k = 0; k < count; ++k)
            rows[k] = source + (first + k) * stride;
        PlaceRows(rows.data(), first, count, sourceSize, mode, destination);
    }
}

}  // namespace kestrel::mjpeg
