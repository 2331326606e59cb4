#include "cli/ProgressLine.h"

#include <cstdio>

namespace kestrel {

ProgressLine::ProgressLine(std::string file, bool enabled)
    : file_(std::move(file)), enabled_(enabled), start_(std::chrono::steady_clock::now())
{
}

void ProgressLine::Update(int percent, int frames)
{
    if (!enabled_)
        return;
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    const double fps = seconds > 0 ? frames / seconds : 0.0;
    std::fprintf(stderr, "\r\033[K%s: %3d%%, %.1f frames/s", file_.c_str(), percent, fps);
    std::fflush(stderr);
    drawn_ = true;
}

void ProgressLine::Finish()
{
    if (drawn_)
        std::fprintf(stderr, "\r\033[K");
}

}  // namespace kestrel
