#include "ui/BatchDestinations.h"

#include "job/JobPaths.h"

#include <QCoreApplication>

#include <filesystem>
#include <map>
#include <system_error>

namespace kestrel::ui {
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

// Appended rather than concatenated: GCC 12 sees a false overlap in
// "-" + std::string(...) in release builds (-Wrestrict).
std::string DefaultSuffix(RotationMode mode)
{
    std::string suffix = "-";
    suffix += Describe(mode).name;
    return suffix;
}

std::string DestinationOf(const std::string& source, RotationMode mode, const DestinationChoice& choice)
{
    switch (choice.kind) {
    case DestinationKind::Folder: return MakeDestinationPath(choice.folder, source);
    case DestinationKind::ReplaceSource: return source;
    case DestinationKind::Suffix: break;
    }
    const size_t slash = source.find_last_of('/');
    const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const size_t dot = source.find_last_of('.');
    // A leading dot starts a hidden name, not an extension.
    const size_t nameEnd = dot != std::string::npos && dot > nameStart ? dot : source.size();
    const std::string suffix = choice.suffix.empty() ? DefaultSuffix(mode) : choice.suffix;
    return source.substr(0, nameEnd) + suffix + ".avi";
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
            return QCoreApplication::translate("BatchController",
                                               "%1 would be written over %2, another file of this batch (leave it "
                                               "out, or choose another suffix)")
                .arg(QString::fromStdString(sources[place->second]), QString::fromStdString(sources[j]))
                .toStdString();
    }
    return std::nullopt;
}

}  // namespace kestrel::ui
