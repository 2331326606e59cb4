#pragma once

#include "mjpeg/PictureSize.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace kestrel::mjpeg {

// The library codes samples in blocks of 8 x 8.
inline constexpr int32_t kBlockSize = 8;

constexpr size_t RoundUp(size_t value, size_t multiple) { return (value + multiple - 1) / multiple * multiple; }

// Plane rows start this many bytes apart at least.
inline constexpr size_t kRowAlignment = 16;

// One component of a picture at its own resolution: `size` samples, rows
// `stride` bytes apart. Its sampling factors count against the picture's
// largest ones: a plane of factor h out of hMax covers hMax / h picture
// columns with each sample. A picture whose width is not a whole number of
// samples leaves part of the last sample's columns outside it; once a
// transform has reversed the rows, that part lies in front of the first
// column, and `leadingColumns` counts it (likewise `leadingRows`).
struct SamplePlane {
    std::vector<uint8_t> samples;
    size_t stride = 0;
    PictureSize size;
    int horizontalFactor = 1;
    int verticalFactor = 1;
    int32_t leadingColumns = 0;
    int32_t leadingRows = 0;

    uint8_t* Row(size_t row) { return samples.data() + row * stride; }
    const uint8_t* Row(size_t row) const { return samples.data() + row * stride; }
};

// Y, Cb and Cr planes of one picture and the largest sampling factors.
struct PlanarImage {
    std::array<SamplePlane, 3> planes;
    int maxHorizontal = 1;
    int maxVertical = 1;
};

// A component as the encoder reads it: its row r is plane row
// min((r + leadingRows) * verticalFactor / maxVertical, rows - 1), so rows
// repeat where the plane has fewer rows than the component. Each row holds `width` samples
// and, up to the next multiple of 8, copies of its last one (the padding the
// library expects of a partial block).
struct EncoderPlane {
    const uint8_t* samples = nullptr;
    size_t stride = 0;
    int32_t width = 0;
    int32_t rows = 0;
    int verticalFactor = 1;
    int maxVertical = 1;
    int32_t leadingRows = 0;
};

}  // namespace kestrel::mjpeg
