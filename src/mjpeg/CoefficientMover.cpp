#include "mjpeg/CoefficientMover.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace kestrel::mjpeg {

namespace {

constexpr size_t kBlockSide = DCTSIZE;
// Quarter turns move tiles of this many blocks each way: 64 source blocks
// of 128 bytes, read from eight rows.
constexpr uint32_t kTileBlocks = 8;

// +1 or -1 per coefficient: the odd frequencies along the reversed axes
// change sign.
using Signs = std::array<JCOEF, kBlockCoefficients>;

constexpr Signs SignsFor(bool reversesAcross, bool reversesDown)
{
    Signs signs{};
    for (size_t k = 0; k < kBlockCoefficients; ++k) {
        const bool oddAcross = reversesAcross && (k % kBlockSide) % 2 == 1;
        const bool oddDown = reversesDown && (k / kBlockSide) % 2 == 1;
        signs[k] = oddAcross != oddDown ? -1 : 1;
    }
    return signs;
}

constexpr Signs kMirrorXSigns = SignsFor(true, false);
constexpr Signs kMirrorYSigns = SignsFor(false, true);
constexpr Signs kHalfTurnSigns = SignsFor(true, true);

void CopySigned(JCOEF* to, const JCOEF* from, const Signs& signs)
{
    for (size_t k = 0; k < kBlockCoefficients; ++k)
        to[k] = static_cast<JCOEF>(from[k] * signs[k]);
}

// Exchanges two distinct blocks, each taking the other's signed coefficients.
void SwapSigned(JCOEF* a, JCOEF* b, const Signs& signs)
{
    JBLOCK saved;
    std::memcpy(saved, a, sizeof saved);
    CopySigned(a, b, signs);
    CopySigned(b, saved, signs);
}

// to = the transpose of `from`, with the signs of the destination's layout.
void TransposeSigned(JCOEF* to, const JCOEF* from, const Signs& signs)
{
    for (size_t v = 0; v < kBlockSide; ++v)
        for (size_t u = 0; u < kBlockSide; ++u)
            to[v * kBlockSide + u] = static_cast<JCOEF>(from[u * kBlockSide + v] * signs[v * kBlockSide + u]);
}

}  // namespace

void MirrorBlocks(const BlockGrid& grid, RotationMode mode)
{
    const uint32_t width = grid.width;
    const uint32_t height = grid.height;
    switch (mode) {
    case RotationMode::MirrorX:
        for (uint32_t r = 0; r < height; ++r) {
            JBLOCKROW row = grid.rows[r];
            for (uint32_t c = 0; c < width / 2; ++c)
                SwapSigned(row[c], row[width - 1 - c], kMirrorXSigns);
            if (width % 2 == 1)
                CopySigned(row[width / 2], row[width / 2], kMirrorXSigns);
        }
        break;
    case RotationMode::MirrorY:
        for (uint32_t r = 0; r < height / 2; ++r)
            for (uint32_t c = 0; c < width; ++c)
                SwapSigned(grid.rows[r][c], grid.rows[height - 1 - r][c], kMirrorYSigns);
        if (height % 2 == 1)
            for (uint32_t c = 0; c < width; ++c)
                CopySigned(grid.rows[height / 2][c], grid.rows[height / 2][c], kMirrorYSigns);
        break;
    case RotationMode::Rotate180: {
        // Block i of the grid in row order changes place with block n - 1 - i.
        const uint64_t count = static_cast<uint64_t>(width) * height;
        for (uint64_t i = 0; i < count / 2; ++i) {
            const uint64_t j = count - 1 - i;
            SwapSigned(grid.rows[i / width][i % width], grid.rows[j / width][j % width], kHalfTurnSigns);
        }
        if (count % 2 == 1) {
            const uint64_t middle = count / 2;
            JCOEF* block = grid.rows[middle / width][middle % width];
            CopySigned(block, block, kHalfTurnSigns);
        }
        break;
    }
    case RotationMode::Clockwise90:
    case RotationMode::Anticlockwise90: break;
    }
}

void TurnBlocks(const BlockGrid& source, const BlockGrid& destination, RotationMode mode)
{
    if (!SwapsDimensions(mode) || destination.width != source.height || destination.height != source.width)
        return;
    const bool clockwise = mode == RotationMode::Clockwise90;
    const Signs& signs = clockwise ? kMirrorXSigns : kMirrorYSigns;
    for (uint32_t tileRow = 0; tileRow < destination.height; tileRow += kTileBlocks) {
        const uint32_t rowEnd = std::min(destination.height, tileRow + kTileBlocks);
        for (uint32_t tileColumn = 0; tileColumn < destination.width; tileColumn += kTileBlocks) {
            const uint32_t columnEnd = std::min(destination.width, tileColumn + kTileBlocks);
            for (uint32_t r = tileRow; r < rowEnd; ++r) {
                for (uint32_t c = tileColumn; c < columnEnd; ++c) {
                    // Clockwise: destination (r, c) shows source (H-1-c, r);
                    // anticlockwise: source (c, W-1-r).
                    const JCOEF* from =
                        clockwise ? source.rows[source.height - 1 - c][r] : source.rows[c][source.width - 1 - r];
                    TransposeSigned(destination.rows[r][c], from, signs);
                }
            }
        }
    }
}

QuantValues MovedTable(const QuantValues& table, RotationMode mode)
{
    if (!SwapsDimensions(mode))
        return table;
    QuantValues moved{};
    for (size_t v = 0; v < kBlockSide; ++v)
        for (size_t u = 0; u < kBlockSide; ++u)
            moved[v * kBlockSide + u] = table[u * kBlockSide + v];
    return moved;
}

void Requantize(const BlockGrid& grid, const QuantValues& from, const QuantValues& to)
{
    if (from == to)
        return;
    for (uint32_t r = 0; r < grid.height; ++r) {
        for (uint32_t c = 0; c < grid.width; ++c) {
            JCOEF* block = grid.rows[r][c];
            for (size_t k = 0; k < kBlockCoefficients; ++k) {
                if (from[k] == to[k])
                    continue;
                const int64_t step = std::max<int64_t>(to[k], 1);
                const int64_t value = int64_t{block[k]} * from[k];
                const int64_t magnitude = (std::abs(value) + step / 2) / step;
                block[k] = static_cast<JCOEF>(value < 0 ? -magnitude : magnitude);
            }
        }
    }
}

}  // namespace kestrel::mjpeg
