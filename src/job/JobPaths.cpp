#include "job/JobPaths.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace kestrel {

std::string MakeDestinationPath(std::string_view outputDirectory, std::string_view source)
{
    constexpr char kSeparator = std::filesystem::path::preferred_separator;
    // The name part keeps its separator; a bare name gets one.
    const size_t slash = source.find_last_of(kSeparator);
    const std::string_view name = slash == std::string_view::npos ? source : source.substr(slash + 1);
    std::string destination;
    destination.reserve(outputDirectory.size() + 1 + name.size());
    destination.append(outputDirectory).push_back(kSeparator);
    destination.append(name);
    return destination;
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
