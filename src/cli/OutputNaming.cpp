#include "cli/OutputNaming.h"

#include "job/JobPaths.h"

#include <filesystem>
#include <map>
#include <system_error>

namespace kestrel {
namespace {

// A path as the file system resolves it: absolute, links in its existing
// part followed, without "." and "..".
std::string PathKey(const std::string& path)
{
    std::error_code error;
    std::filesystem::path resolved = std::filesystem::weakly_canonical(std::filesystem::absolute(path, error), error);
    if (error)
        resolved = std::filesystem::path(path).lexically_normal();
    return resolved.string();
}

}  // namespace

std::string DestinationOf(const std::string& source, const Naming& naming)
{
    if (naming.inPlace)
        return source;
    if (!naming.suffix)
        return MakeDestinationPath(naming.outputDirectory.value_or("."), source);
    const size_t slash = source.find_last_of('/');
    const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const size_t dot = source.find_last_of('.');
    // A leading dot starts a hidden name, not an extension.
    const size_t nameEnd = dot != std::string::npos && dot > nameStart ? dot : source.size();
    const std::string name = source.substr(nameStart, nameEnd - nameStart) + *naming.suffix + ".avi";
    if (naming.outputDirectory)
        return MakeDestinationPath(*naming.outputDirectory, name);
    return source.substr(0, nameStart) + name;
}

std::optional<std::string> FindBatchConflict(const std::vector<std::string>& sources,
                                             const std::vector<std::string>& destinations)
{
    std::map<std::string, size_t> written;
    for (size_t i = 0; i < destinations.size(); ++i) {
        const auto [place, added] = written.emplace(PathKey(destinations[i]), i);
        if (!added)
            return DestinationClashMessage(sources[place->second], sources[i], destinations[i]);
    }
    for (size_t j = 0; j < sources.size(); ++j) {
        const auto place = written.find(PathKey(sources[j]));
        if (place != written.end() && place->second != j)
            return sources[place->second] + " would be written over " + sources[j] +
                   ", another file of this batch (leave it out, or choose another name)";
    }
    return std::nullopt;
}

}  // namespace kestrel
