#pragma once

// Which components of a frame keep their quantized DCT coefficients under a
// transform, and which go through samples.
//
// A component's coefficients can be moved instead of re-coded when two
// things hold:
//  - its sampling density, after the transform, is the output's (Y full,
//    Cb and Cr half across and full down), so that its block grid is the
//    output component's: Y of every source; Cb and Cr of 4:2:2 sources
//    (Y 2 x 1 with chroma 1 x 1, or Y 2 x 2 with chroma 1 x 2) under the
//    mirrors and 180°, never under the quarter turns;
//  - its blocks tile the picture along every axis the transform reverses:
//    Mirror X and 90° anticlockwise reverse the source's columns, Mirror Y
//    and 90° clockwise its rows, 180° both. A mirror along an axis whose
//    last block is partial would shift the whole grid by the missing part.
//
// Such a component is lossless: its blocks are moved, transposed and
// sign-flipped exactly (CoefficientMover.h). Every other component is
// decoded, transformed and fitted to 4:2:2 as samples and quantized again.
//
//   component            Mirror X     Mirror Y     180°   90° cw       90° acw
//   Y (any sampling)     W % 8 == 0   H % 8 == 0   both   H % 8 == 0   W % 8 == 0
//   Cb, Cr of 4:2:2      W % 16 == 0  H % 8 == 0   both   never        never
//   Cb, Cr of others     never        never        never  never        never

#include "base/Transform.h"
#include "mjpeg/PictureSize.h"

namespace kestrel::mjpeg {

// A component's sampling factors in the source frame and the frame's largest.
struct ComponentSampling {
    int horizontal = 1;
    int vertical = 1;
    int maxHorizontal = 1;
    int maxVertical = 1;
};

// Whether component `outputComponent` (0 = Y, 1 = Cb, 2 = Cr) of a `source`
// picture moves in the coefficient domain under `mode`.
bool MovesAsCoefficients(PictureSize source, ComponentSampling sampling, int outputComponent, RotationMode mode);

}  // namespace kestrel::mjpeg
