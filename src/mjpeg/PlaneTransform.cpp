#include "mjpeg/PlaneTransform.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

namespace kestrel::mjpeg {

namespace {

// Quarter turns move tiles of this many rows and columns at once.
constexpr size_t kTile = 8;
using TileRow = uint64_t;
static_assert(sizeof(TileRow) == kTile);

constexpr uint64_t ByteSwap(uint64_t value)
{
#if defined(__GNUC__)
    return __builtin_bswap64(value);
#else
    uint64_t swapped = 0;
    for (size_t k = 0; k < sizeof value; ++k, value >>= 8)
        swapped = (swapped << 8) | (value & 0xFF);
    return swapped;
#endif
}

// Eight samples as one word whose byte lane k (bits 8k..8k+7) holds sample k.
inline TileRow LoadLanes(const uint8_t* from)
{
    TileRow row;
    std::memcpy(&row, from, sizeof row);
    if constexpr (std::endian::native == std::endian::big)
        row = ByteSwap(row);
    return row;
}

inline void StoreLanes(uint8_t* to, TileRow row)
{
    if constexpr (std::endian::native == std::endian::big)
        row = ByteSwap(row);
    std::memcpy(to, &row, sizeof row);
}

// Transposes an 8 x 8 tile of samples held as eight words (word i is row i,
// lane k column k): exchanges the off-diagonal 4 x 4 blocks, then the 2 x 2
// blocks inside each, then the single samples inside those.
void TransposeTile(std::array<TileRow, kTile>& m)
{
    constexpr uint64_t kLow32 = 0x00000000FFFFFFFFull;
    constexpr uint64_t kLow16s = 0x0000FFFF0000FFFFull;
    constexpr uint64_t kLow8s = 0x00FF00FF00FF00FFull;
    for (size_t i = 0; i < 4; ++i) {
        const TileRow a = m[i];
        const TileRow b = m[i + 4];
        m[i] = (a & kLow32) | (b << 32);
        m[i + 4] = (a >> 32) | (b & ~kLow32);
    }
    for (size_t i : {0u, 1u, 4u, 5u}) {
        const TileRow a = m[i];
        const TileRow b = m[i + 2];
        m[i] = (a & kLow16s) | ((b & kLow16s) << 16);
        m[i + 2] = ((a >> 16) & kLow16s) | (b & ~kLow16s);
    }
    for (size_t i = 0; i < kTile; i += 2) {
        const TileRow a = m[i];
        const TileRow b = m[i + 1];
        m[i] = (a & kLow8s) | ((b & kLow8s) << 8);
        m[i + 1] = ((a >> 8) & kLow8s) | (b & ~kLow8s);
    }
}

// One row reversed, eight samples at a time from the source's end.
void ReverseRow(uint8_t* to, const uint8_t* from, size_t width)
{
    size_t x = 0;
    for (; x + kTile <= width; x += kTile) {
        uint64_t samples;
        std::memcpy(&samples, from + width - x - kTile, sizeof samples);
        samples = ByteSwap(samples);  // reverses the bytes' order in memory on any byte order
        std::memcpy(to + x, &samples, sizeof samples);
    }
    for (; x < width; ++x)
        to[x] = from[width - 1 - x];
}

// Source column x of the strip becomes a run of `count` samples in
// destination row x (clockwise: the strip's last row first) or W-1-x
// (anticlockwise: its first row first). Whole 8 x 8 tiles are transposed in
// registers; the columns and rows left over move one sample at a time.
void TurnStrip(const uint8_t* const* rows, size_t firstRow, size_t count, size_t width, size_t height, bool clockwise,
               uint8_t* destination, size_t stride)
{
    // Where the strip's row j (in landing order) and column x end up.
    const size_t runColumn = clockwise ? height - firstRow - count : firstRow;
    const auto rowOf = [&](size_t j) { return clockwise ? rows[count - 1 - j] : rows[j]; };
    const auto destinationOf = [&](size_t x) {
        return destination + (clockwise ? x : width - 1 - x) * stride + runColumn;
    };
    size_t j = 0;
    for (; j + kTile <= count; j += kTile) {
        size_t x = 0;
        for (; x + kTile <= width; x += kTile) {
            std::array<TileRow, kTile> tile;
            for (size_t k = 0; k < kTile; ++k)
                tile[k] = LoadLanes(rowOf(j + k) + x);
            TransposeTile(tile);
            for (size_t k = 0; k < kTile; ++k)
                StoreLanes(destinationOf(x + k) + j, tile[k]);
        }
        for (; x < width; ++x) {
            uint8_t* out = destinationOf(x) + j;
            for (size_t k = 0; k < kTile; ++k)
                out[k] = rowOf(j + k)[x];
        }
    }
    for (; j < count; ++j) {
        const uint8_t* row = rowOf(j);
        for (size_t x = 0; x < width; ++x)
            destinationOf(x)[j] = row[x];
    }
}

}  // namespace

PictureSize TransformedSize(PictureSize source, RotationMode mode)
{
    return SwapsDimensions(mode) ? PictureSize{source.height, source.width} : source;
}

void PlaceRows(const uint8_t* const* rows, uint32_t firstRow, uint32_t count, PictureSize planeSize, RotationMode mode,
               uint8_t* destination, size_t destinationStride)
{
    if (planeSize.width <= 0 || planeSize.height <= 0)
        return;
    const auto width = static_cast<size_t>(planeSize.width);
    const auto height = static_cast<size_t>(planeSize.height);
    const size_t last = height - 1;
    switch (mode) {
    case RotationMode::Clockwise90:
    case RotationMode::Anticlockwise90:
        TurnStrip(rows, firstRow, count, width, height, mode == RotationMode::Clockwise90, destination,
                  destinationStride);
        break;
    case RotationMode::Rotate180:
        for (uint32_t k = 0; k < count; ++k)
            ReverseRow(destination + (last - (firstRow + k)) * destinationStride, rows[k], width);
        break;
    case RotationMode::MirrorX:
        for (uint32_t k = 0; k < count; ++k)
            ReverseRow(destination + (firstRow + k) * destinationStride, rows[k], width);
        break;
    case RotationMode::MirrorY:
        for (uint32_t k = 0; k < count; ++k)
            std::memcpy(destination + (last - (firstRow + k)) * destinationStride, rows[k], width);
        break;
    }
}

void TransformPlane(const uint8_t* source, size_t sourceStride, PictureSize planeSize, RotationMode mode,
                    uint8_t* destination, size_t destinationStride)
{
    if (planeSize.width <= 0 || planeSize.height <= 0)
        return;
    constexpr uint32_t kStrip = 16;
    const auto height = static_cast<uint32_t>(planeSize.height);
    std::array<const uint8_t*, kStrip> rows;
    for (uint32_t first = 0; first < height; first += kStrip) {
        const uint32_t count = std::min(kStrip, height - first);
        for (uint32_t k = 0; k < count; ++k)
            rows[k] = source + (first + k) * sourceStride;
        PlaceRows(rows.data(), first, count, planeSize, mode, destination, destinationStride);
    }
}

}  // namespace kestrel::mjpeg
