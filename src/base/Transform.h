#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace kestrel {

// The picture transform of a conversion. The numeric values are stored in
// job records; keep them.
enum class RotationMode : int32_t {
    Clockwise90 = 0,      // 90 degrees clockwise (ROT_90)
    Rotate180 = 1,        // 180 degrees (ROT_180)
    Anticlockwise90 = 2,  // 90 degrees anticlockwise (ROT_270)
    MirrorX = 3,          // each row reversed (FLIP_H)
    MirrorY = 4,          // row order reversed (FLIP_V)
};

// Everything the program says about one transform, in one place: the core
// asks whether it exchanges width and height, the command line parses its
// spellings, the window shows its caption.
struct TransformInfo {
    RotationMode mode;
    std::string_view name;                      // the canonical command-line name, first of the spellings
    std::string_view caption;                   // the window's label
    std::array<std::string_view, 6> spellings;  // accepted on the command line in any letter case; empty ends
    bool swapsDimensions;                       // the quarter turns exchange width and height
};

// The five transforms in the order the window and the help list them.
inline constexpr std::array<TransformInfo, 5> kTransforms = {{
    {RotationMode::Clockwise90, "cw", "90° Clockwise", {"cw", "90", "clockwise"}, true},
    {RotationMode::Anticlockwise90, "acw", "90° Anticlockwise", {"acw", "ccw", "270", "-90", "anticlockwise"}, true},
    {RotationMode::Rotate180, "180", "180°", {"180"}, false},
    {RotationMode::MirrorX, "mirror-x", "Mirror X", {"mirror-x", "hflip", "flip-h"}, false},
    {RotationMode::MirrorY, "mirror-y", "Mirror Y", {"mirror-y", "vflip", "flip-v"}, false},
}};

constexpr const TransformInfo& Describe(RotationMode mode)
{
    for (const TransformInfo& info : kTransforms)
        if (info.mode == mode)
            return info;
    return kTransforms[1];  // unreachable for the enum's values
}

constexpr bool SwapsDimensions(RotationMode mode) { return Describe(mode).swapsDimensions; }

// The transform one of the spellings names, in any letter case.
std::optional<RotationMode> ParseTransform(std::string_view spelling);

}  // namespace kestrel
