#include "job/JobPaths.h"

#include "base/FilePath.h"
#include "base/StatusCode.h"
#include "job/PlatformFiles.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <map>
#include <system_error>

namespace kestrel {
namespace {

// Whether this platform's file systems ignore letter case in names.
constexpr bool kNamesIgnoreCase =
#if defined(_WIN32) || defined(__APPLE__)
    true;
#else
    false;
#endif

// A path as the file system compares names: absolute, without "." and
// "..", folded to lower case where case is ignored.
std::string PathKey(std::string_view path)
{
    std::error_code error;
    std::filesystem::path absolute = std::filesystem::absolute(PathFromUtf8(path), error);
    std::string key = Utf8FromPath((error ? PathFromUtf8(path) : absolute).lexically_normal());
    if (kNamesIgnoreCase)
        std::ranges::transform(key, key.begin(), [](unsigned char c) {
            return static_cast<char>(c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c);
        });
    return key;
}

bool SamePath(std::string_view a, std::string_view b) { return PathKey(a) == PathKey(b); }

// A path as the file system resolves it: absolute, links in its existing
// part followed, without "." and "..".
std::string ResolvedPath(const std::string& path)
{
    std::error_code error;
    std::filesystem::path resolved =
        std::filesystem::weakly_canonical(std::filesystem::absolute(PathFromUtf8(path), error), error);
    if (error)
        resolved = PathFromUtf8(path).lexically_normal();
    return Utf8FromPath(resolved);
}

}  // namespace

std::string MakeDestinationPath(std::string_view outputDirectory, std::string_view source)
{
    constexpr char kSeparator = std::filesystem::path::preferred_separator;
    // The name part keeps its separator; a bare name gets one.
    const size_t slash = LastSeparator(source);
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
    std::error_code error;
    if (std::filesystem::equivalent(PathFromUtf8(a), PathFromUtf8(b), error) && !error)
        return true;
    return SamePath(a, b);
}

Status CheckSource(const std::string& path)
{
    std::error_code error;
    status::SourceKind what = status::SourceKind::Other;
    switch (KindOfPath(path, &error)) {
    case PathKind::Absent: return Status::FailSystem(status::kCantOpenSource, error.value());
    case PathKind::RegularFile: return {};
    case PathKind::Directory: what = status::SourceKind::Directory; break;
    case PathKind::Fifo: what = status::SourceKind::Fifo; break;
    case PathKind::Socket: what = status::SourceKind::Socket; break;
    case PathKind::Device: what = status::SourceKind::Device; break;
    case PathKind::Other: break;
    }
    return Status::Fail(status::kSourceNotAFile, static_cast<uint32_t>(what));
}

Status PrepareOutputDirectory(const std::string& directory)
{
    if (directory.empty())
        return Status::Fail(status::kNoOutputDirectory);
    std::error_code error;
    const std::filesystem::path path = PathFromUtf8(directory);
    if (std::filesystem::is_directory(path, error))
        return {};
    std::filesystem::create_directories(path, error);
    if (error || !std::filesystem::is_directory(path, error))
        return Status::FailSystem(status::kCantCreateOutputDirectory, error ? error.value() : ENOTDIR);
    return {};
}

std::optional<DestinationClash> FindDestinationClash(const std::vector<std::string>& sources,
                                                     std::string_view outputDirectory)
{
    // All destinations lie in one directory: equal names are equal files.
    std::map<std::string, size_t> seen;
    for (size_t i = 0; i < sources.size(); ++i) {
        const auto [place, added] = seen.emplace(PathKey(MakeDestinationPath(outputDirectory, sources[i])), i);
        if (!added)
            return DestinationClash{place->second, i};
    }
    return std::nullopt;
}

std::optional<BatchOverlap> FindBatchOverlap(const std::vector<std::string>& sources,
                                             const std::vector<std::string>& destinations)
{
    std::map<std::string, size_t> written;
    for (size_t i = 0; i < destinations.size(); ++i) {
        const auto [place, added] = written.emplace(ResolvedPath(destinations[i]), i);
        if (!added)
            return BatchOverlap{place->second, i, false};
    }
    for (size_t j = 0; j < sources.size(); ++j) {
        const auto place = written.find(ResolvedPath(sources[j]));
        if (place != written.end() && place->second != j)
            return BatchOverlap{place->second, j, true};
    }
    return std::nullopt;
}

std::string DestinationClashMessage(std::string_view first, std::string_view second, std::string_view destination)
{
    return std::string(first) + " and " + std::string(second) + " would both be written to " + std::string(destination);
}

}  // namespace kestrel
