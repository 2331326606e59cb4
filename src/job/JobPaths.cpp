#include "job/JobPaths.h"

#include "base/StatusCode.h"

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
    std::filesystem::path absolute = std::filesystem::absolute(std::filesystem::path(path), error);
    std::string key = (error ? std::filesystem::path(path) : absolute).lexically_normal().string();
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
    std::filesystem::path resolved = std::filesystem::weakly_canonical(std::filesystem::absolute(path, error), error);
    if (error)
        resolved = std::filesystem::path(path).lexically_normal();
    return resolved.string();
}

}  // namespace

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
    std::error_code error;
    if (std::filesystem::equivalent(std::filesystem::path(a), std::filesystem::path(b), error) && !error)
        return true;
    return SamePath(a, b);
}

Status CheckSource(const std::string& path)
{
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::file_status kind = fs::status(path, error);
    if (error || !fs::exists(kind)) {
        Failure failure(status::kCantOpenSource);
        failure.systemError = error ? error.value() : ENOENT;
        return failure;
    }
    if (fs::is_regular_file(kind))
        return {};
    const status::SourceKind what = fs::is_directory(kind) ? status::SourceKind::Directory
                                    : fs::is_fifo(kind)    ? status::SourceKind::Fifo
                                    : fs::is_socket(kind)  ? status::SourceKind::Socket
                                    : fs::is_character_file(kind) || fs::is_block_file(kind)
                                        ? status::SourceKind::Device
                                        : status::SourceKind::Other;
    return Status::Fail(status::kSourceNotAFile, static_cast<uint32_t>(what));
}

Status PrepareOutputDirectory(const std::string& directory)
{
    if (directory.empty())
        return Status::Fail(status::kNoOutputDirectory);
    std::error_code error;
    if (std::filesystem::is_directory(directory, error))
        return {};
    std::filesystem::create_directories(directory, error);
    if (error || !std::filesystem::is_directory(directory)) {
        Failure failure(status::kCantCreateOutputDirectory);
        failure.systemError = error ? error.value() : ENOTDIR;
        return failure;
    }
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
