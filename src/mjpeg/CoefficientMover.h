#pragma once

// Moving a component's quantized DCT coefficient blocks under a transform,
// without decoding them. A block holds its 64 coefficients in natural
// order: entry 8 v + u is vertical frequency v, horizontal frequency u.
// Reversing the samples of a block along an axis keeps the even frequencies
// along it and negates the odd ones; a transpose of the samples transposes
// the coefficients. So:
//   Mirror X   blocks of each row in reverse order, odd u negated
//   Mirror Y   block rows in reverse order, odd v negated
//   180°       both
//   90° cw     the grid and each block transposed, then Mirror X
//   90° acw    the grid and each block transposed, then Mirror Y
// The blocks must tile the component along the reversed axes
// (LosslessRule.h); the quantization table moves as its coefficients do.

#include "base/Transform.h"
#include "mjpeg/LibJpeg.h"

#include <array>
#include <cstdint>

namespace kestrel::mjpeg {

inline constexpr size_t kBlockCoefficients = 64;
static_assert(DCTSIZE2 == kBlockCoefficients);

// A quantization table in natural order.
using QuantValues = std::array<uint16_t, kBlockCoefficients>;

// The blocks of one component: rows[r][c] is the block in block row r and
// column c of a grid `width` blocks across and `height` rows down.
struct BlockGrid {
    JBLOCKROW* rows = nullptr;
    uint32_t width = 0;
    uint32_t height = 0;
};

// Mirror X, Mirror Y or 180° of `grid` in place. Does nothing for the
// quarter turns.
void MirrorBlocks(const BlockGrid& grid, RotationMode mode);

// A quarter turn of `source` into `destination`, which is source.height
// blocks across and source.width rows down. Does nothing for the other
// modes. The grid is walked in tiles of blocks, so that the source's
// columns are read from a few rows at a time.
void TurnBlocks(const BlockGrid& source, const BlockGrid& destination, RotationMode mode);

// The table that quantizes the moved coefficients: the quarter turns
// transpose it, the mirrors and 180° keep it.
QuantValues MovedTable(const QuantValues& table, RotationMode mode);

// Brings every coefficient of `grid` from quantizer step from[k] to step
// to[k], rounded to the nearest step: where the steps differ the
// coefficients are quantized again, and that component is not lossless.
void Requantize(const BlockGrid& grid, const QuantValues& from, const QuantValues& to);

}  // namespace kestrel::mjpeg
