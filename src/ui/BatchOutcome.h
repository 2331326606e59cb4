#pragma once

#include <string>

namespace kestrel::ui {

// How a batch ended, for the status line under the progress bar.
struct BatchOutcome {
    int converted = 0;
    int skipped = 0;
    int failed = 0;
    // The batch was stopped: `current` (a path; empty when it had ended
    // before the stop was seen) was not finished, and `left` files (it
    // included) were not converted.
    bool stopped = false;
    int left = 0;
    std::string current;
    // Where the converted files went: the output directory, or empty when
    // they went beside their sources or replaced them.
    std::string folder;
    bool replacedSources = false;
};

// "3 files converted to /out, 1 skipped, 2 failed" (the skipped and failed
// counts only when not 0); after a stop, "Stopped: clip.avi not finished,
// 2 files left; " in front. Files written beside their sources are
// "converted beside their sources", replaced ones "converted in place".
std::string BatchOutcomeText(const BatchOutcome& outcome);

// The name behind the last separator of either kind.
std::string FileNameOf(const std::string& path);

}  // namespace kestrel::ui
