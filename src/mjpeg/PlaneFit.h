#pragma once

// Fitting the decoded planes to the output's 4:2:2 layout: Y at full
// resolution, Cb and Cr at half the width and full height.
//
// A plane sample stands for the block of picture samples it covers, so the
// fit replicates a sample where the output has more samples than the plane
// and averages the samples that fall into one output sample where it has
// fewer. Averaging what was replicated gives the plane back exactly: a frame
// loses chroma resolution once along an axis, however often it is turned
// afterwards. Rows are only ever repeated (the output has every row), so the
// fit across rows is left to the encoder's row choice (EncoderPlane); only
// the fit along rows moves samples.

#include "mjpeg/SamplePlane.h"

#include <vector>

namespace kestrel::mjpeg {

// The output's sampling factors: Y 2 x 1, Cb and Cr 1 x 1.
inline constexpr int kOutputMaxHorizontal = 2;
inline constexpr int kOutputMaxVertical = 1;
constexpr int OutputHorizontalFactor(int component) { return component == 0 ? 2 : 1; }

// Samples across of `component` in an output picture `pictureWidth` wide.
int32_t OutputComponentWidth(int32_t pictureWidth, int component);

// Makes `plane` (of `image`, already transformed) ready for the encoder as
// output `component` of a picture `pictureWidth` wide. A plane whose
// horizontal sampling is already the output's is padded in place and used as
// it is; any other is fitted into `fitted`, which grows as needed. Returns
// false only when `fitted` cannot grow.
bool FitPlane(SamplePlane& plane, const PlanarImage& image, int component, int32_t pictureWidth,
              std::vector<uint8_t>& fitted, EncoderPlane& result) noexcept;

}  // namespace kestrel::mjpeg
