#include "ui/BatchDestinations.h"

#include "job/JobPaths.h"

#include <QCoreApplication>

namespace kestrel::ui {

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
    const std::optional<BatchOverlap> overlap = FindBatchOverlap(sources, destinations);
    if (!overlap)
        return std::nullopt;
    if (!overlap->overwritesSource)
        return DestinationClashMessage(sources[overlap->first], sources[overlap->second],
                                       destinations[overlap->second]);
    return QCoreApplication::translate("BatchController",
                                       "%1 would be written over %2, another file of this batch (leave it "
                                       "out, or choose another suffix)")
        .arg(QString::fromStdString(sources[overlap->first]), QString::fromStdString(sources[overlap->second]))
        .toStdString();
}

}  // namespace kestrel::ui
