#include "job/JobPaths.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace kestrel {

std::string MakeDestinationPath(std::string_view outputDirectory, std::string_view source)
{
    constexpr char kSeparator = std::filesystem::path::preferred_separator;
    const size_t slash = source.find_last_of(kSeparator);
    // The name part keeps its separator; a bare name gets one.
    std::string name = slash == std::string_view::npos ? std::string(1, kSeparator) + std::string(source)
                                                       : std::string(source.substr(slash));
    return std::string(outputDirectory) + name;
}

bool EqualIgnoringCase(std::string_view a, std::string_view b)
{
    const auto lower = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c; };
    return std::ranges::equal(a, b, [&](char x, char y) { return lower(x) == lower(y); });
}

bool IsSameFile(std::string_view a, std::string_view b)
{
    if (EqualIgnoringCase(a, b))
        return true;
    std::error_code error;
    return std::filesystem::equivalent(std::filesystem::path(a), std::filesystem::path(b), error) && !error;
}

}  // namespace kestrel
