#pragma once

#include <string>
#include <vector>

namespace kestrel::ui {

// Paths given to the window (named on its command line, dropped on it or
// chosen) sorted into the files it lists and those it refuses.
struct InputPaths {
    std::vector<std::string> files;
    // "PATH: REASON", one for each path refused.
    std::vector<std::string> refused;
};

// A regular file whose name ends in ".avi" (any letter case) is taken; a
// directory gives its own regular ".avi" files, in name order (not those of
// its subdirectories); anything else is refused with the reason: missing,
// not an AVI file name, or not a regular file (a FIFO, a device, a socket),
// which is never opened.
InputPaths SortInputPaths(const std::vector<std::string>& paths);

// "These were not added:" and one line for each refused path.
std::string RefusedPathsMessage(const std::vector<std::string>& refused);

}  // namespace kestrel::ui
