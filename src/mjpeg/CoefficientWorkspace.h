#pragma once

#include "mjpeg/CodecMemory.h"

#include <array>
#include <cstdint>
#include <vector>

namespace kestrel::mjpeg {

// The library's row of coefficient blocks (JBLOCKROW), named here without
// the library's headers.
using CoefficientBlockRow = int16_t (*)[64];

// What the coefficient path keeps from frame to frame of one conversion:
// the memory of its decompressor (the source's coefficient arrays and the
// output arrays) and of its compressor, and the row pointers of each
// component's source and output block grids.
struct CoefficientWorkspace {
    CodecMemory decoderMemory;
    CodecMemory encoderMemory;
    std::array<std::vector<CoefficientBlockRow>, 3> sourceRows;
    std::array<std::vector<CoefficientBlockRow>, 3> outputRows;

    void Release();
};

}  // namespace kestrel::mjpeg
