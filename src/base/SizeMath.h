#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>

namespace kestrel {

// a + b as a size_t, or nothing when the sum does not fit one: sizes read
// from a file are 32 or 64 bits wide, and so may be size_t (on 32-bit
// systems), where an unchecked sum would wrap to a small buffer.
constexpr std::optional<size_t> SizeSum(uint64_t a, uint64_t b)
{
    constexpr uint64_t kLargest = std::numeric_limits<size_t>::max();
    if (a > kLargest || b > kLargest - a)
        return std::nullopt;
    return static_cast<size_t>(a + b);
}

}  // namespace kestrel
