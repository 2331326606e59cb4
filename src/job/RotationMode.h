#pragma once

#include <cstdint>

namespace kestrel {

// The picture transform of a conversion. The numeric values are stored in
// job records and compared in the window's radio-button mapping; keep them.
enum class RotationMode : int32_t {
    Clockwise90 = 0,      // 90 degrees clockwise (ROT_90)
    Rotate180 = 1,        // 180 degrees (ROT_180)
    Anticlockwise90 = 2,  // 90 degrees anticlockwise (ROT_270)
    MirrorX = 3,          // each row reversed (FLIP_H)
    MirrorY = 4,          // row order reversed (FLIP_V)
};

// The quarter turns exchange the picture's width and height.
constexpr bool SwapsDimensions(RotationMode mode)
{
    return mode == RotationMode::Clockwise90 || mode == RotationMode::Anticlockwise90;
}

}  // namespace kestrel
