#pragma once

#include <chrono>
#include <string>

namespace kestrel {

// One line on standard error, redrawn in place: file, percent, frames per second.
class ProgressLine {
public:
    ProgressLine(std::string file, bool enabled);
    void Update(int percent, int frames);
    // Clears the line.
    void Finish();

private:
    std::string file_;
    bool enabled_;
    bool drawn_ = false;
    std::chrono::steady_clock::time_point start_;
};

}  // namespace kestrel
