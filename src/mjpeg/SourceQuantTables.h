#pragma once

#include <array>
#include <cstdint>

namespace kestrel::mjpeg {

// The quantization tables of the frame being transcoded, in natural
// (row-major) order: [0] for luminance, [1] for chrominance.
struct SourceQuantTables {
    std::array<std::array<uint32_t, 64>, 2> tables{};
};

}  // namespace kestrel::mjpeg
