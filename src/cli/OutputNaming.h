#pragma once

#include <optional>
#include <string>
#include <vector>

namespace kestrel {

// How the command line names a source's converted file.
struct Naming {
    bool inPlace = false;                        // the source itself
    std::optional<std::string> suffix;           // NAME + suffix + ".avi"
    std::optional<std::string> outputDirectory;  // none: beside the source with a suffix, else "."
};

// The destination of `source`: with a suffix, its name without the
// extension, the suffix and ".avi", beside the source or in the output
// directory; otherwise the source's name in the output directory (the
// current one by default); in place, the source.
std::string DestinationOf(const std::string& source, const Naming& naming);

// Refuses a batch, before anything is written, whose converted files would
// land on one another or on another file of the batch (a second run of
// --suffix over "*.avi" lists the first run's files too). The message, or
// nothing when every destination is its own.
std::optional<std::string> FindBatchConflict(const std::vector<std::string>& sources,
                                             const std::vector<std::string>& destinations);

}  // namespace kestrel
