#include "base/Transform.h"

#include <algorithm>

namespace kestrel {

std::optional<RotationMode> ParseTransform(std::string_view spelling)
{
    const auto lower = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c; };
    const auto equal = [&](std::string_view a, std::string_view b) {
        return std::ranges::equal(a, b, [&](char x, char y) { return lower(x) == lower(y); });
    };
    for (const TransformInfo& info : kTransforms)
        for (std::string_view candidate : info.spellings)
            if (!candidate.empty() && equal(candidate, spelling))
                return info.mode;
    return std::nullopt;
}

}  // namespace kestrel
