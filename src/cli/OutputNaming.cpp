#include "cli/OutputNaming.h"

#include "base/FilePath.h"
#include "job/JobPaths.h"

namespace kestrel {

std::string DestinationOf(const std::string& source, const Naming& naming)
{
    if (naming.inPlace)
        return source;
    if (!naming.suffix)
        return MakeDestinationPath(naming.outputDirectory.value_or("."), source);
    const size_t slash = LastSeparator(source);
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
    const std::optional<BatchOverlap> overlap = FindBatchOverlap(sources, destinations);
    if (!overlap)
        return std::nullopt;
    if (!overlap->overwritesSource)
        return DestinationClashMessage(sources[overlap->first], sources[overlap->second],
                                       destinations[overlap->second]);
    return sources[overlap->first] + " would be written over " + sources[overlap->second] +
           ", another file of this batch (leave it out, or choose another name)";
}

}  // namespace kestrel
