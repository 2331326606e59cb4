#pragma once

#include <chrono>
#include <string>

namespace kestrel {

// What the progress line shows at one moment.
struct Progress {
    std::string file;
    int index = 1;  // from 1
    int count = 1;
    int percent = 0;
    int frames = 0;      // converted so far
    double seconds = 0;  // since the file started
};

// The line for a terminal `width` columns wide, shorter than the width so
// that it never wraps: "file 2/5 clips/a.avi   42%  31.2 fps  0:12 left".
// The file name gives way first (its start replaced by "...", then left
// out), then the figures are cut at the width. Control characters in the
// name show as '?'.
std::string FormatProgress(const Progress& progress, int width);

// The progress line on standard error, redrawn in place and cleared at the
// end; nothing at all when standard error is not a terminal or `enabled`
// is false. Follows the terminal's width as it changes.
class ProgressLine {
public:
    ProgressLine(std::string file, int index, int count, bool enabled);
    void Update(int percent, int frames);
    // Clears the line.
    void Finish();

private:
    Progress progress_;
    bool enabled_;
    bool drawn_ = false;
    std::chrono::steady_clock::time_point start_;
};

}  // namespace kestrel
