#pragma once

#include <string>

namespace kestrel::ui {

// How a batch ended, for the status line under the progress bar.
struct BatchOutcome {
    int converted = 0;      // files converted and taken off the list
    std::string outputDir;  // where they went
    int left = 0;           // entries still listed, the unfinished one included
    std::string current;    // path of the file that was being converted, when some are left
    bool failed = false;    // that file failed or was refused (its message has been shown)
};

// "3 files converted to /out" after a batch that emptied the list;
// "Stopped: clip.avi not finished, 2 files left" after a stop, or
// "Stopped: clip.avi failed, 2 files left" after a failure, each followed by
// "; 1 file converted to /out" when some were.
std::string BatchOutcomeText(const BatchOutcome& outcome);

}  // namespace kestrel::ui
