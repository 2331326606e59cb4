#include "base/FrameWarnings.h"

namespace kestrel {

void FrameWarnings::Add(uint32_t frame, std::string_view text)
{
    if (frames == 0 || frame < firstFrame) {
        firstFrame = frame;
        firstText = text;
    }
    ++frames;
}

std::string FormatFrameWarnings(const FrameWarnings& warnings, std::string_view source)
{
    if (!warnings.Any())
        return {};
    std::string line = "warning: ";
    line += source;
    line += ": frame " + std::to_string(warnings.firstFrame) + ": " + warnings.firstText;
    if (const uint32_t more = warnings.frames - 1; more > 0)
        line += " (and " + std::to_string(more) + (more == 1 ? " more frame)" : " more frames)");
    return line;
}

std::string FormatReplacedFrames(const ReplacedFrames& replaced, std::string_view source)
{
    if (!replaced.Any())
        return {};
    std::string line = "warning: ";
    line += source;
    if (replaced.frames == 1)
        return line + ": damaged frame " + std::to_string(replaced.firstFrame) + " replaced by the frame before it";
    return line + ": " + std::to_string(replaced.frames) +
           " damaged frames replaced by the frame before each, the first frame " + std::to_string(replaced.firstFrame);
}

}  // namespace kestrel
