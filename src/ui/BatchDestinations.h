#pragma once

#include "base/Transform.h"

#include <optional>
#include <string>
#include <vector>

namespace kestrel::ui {

// Where the window writes the converted files; the values are the entries
// of its choice box and are stored in the user's settings: keep them.
enum class DestinationKind : int {
    Folder = 0,         // each file under its own name into the output directory
    Suffix = 1,         // beside its source, named NAME + suffix + ".avi"
    ReplaceSource = 2,  // over its source, through a temporary file and a rename
};

// What happens to a file whose destination exists (not for ReplaceSource,
// whose destination always does); stored in the settings as well.
enum class ExistingPolicy : int {
    Ask = 0,
    Replace = 1,
    Skip = 2,
};

struct DestinationChoice {
    DestinationKind kind = DestinationKind::Folder;
    std::string folder;  // for Folder
    std::string suffix;  // for Suffix; empty: "-" and the transform's name
};

// "-cw", "-acw", "-180", "-mirror-x", "-mirror-y".
std::string DefaultSuffix(RotationMode mode);

// The converted file of `source` under `mode`.
std::string DestinationOf(const std::string& source, RotationMode mode, const DestinationChoice& choice);

// A batch whose converted files would land on one another, or on another
// file of the batch (a second suffix run over files that include the first
// run's): the message naming both, or nothing when every destination is
// its own. `sources` and `destinations` are parallel.
std::optional<std::string> FindBatchConflict(const std::vector<std::string>& sources,
                                             const std::vector<std::string>& destinations);

}  // namespace kestrel::ui
