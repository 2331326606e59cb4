#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kestrel {

// The JPEG library's warnings about one conversion's frames (damage it
// decoded around, such as a scan cut short): the first frame concerned with
// the library's first words about it, and how many frames drew a warning.
struct FrameWarnings {
    uint32_t firstFrame = 0;  // frame number from 1; 0 while no frame drew a warning
    std::string firstText;
    uint32_t frames = 0;

    bool Any() const { return frames > 0; }
    // Records a warning about frame `frame` (from 1); frames may come in any
    // order, the lowest number is kept as the first.
    void Add(uint32_t frame, std::string_view text);
};

// Frames the library could not decode, each replaced by the frame before it
// (a grey picture for the first): the first frame's number from 1 and how many.
struct ReplacedFrames {
    uint32_t firstFrame = 0;
    uint32_t frames = 0;

    bool Any() const { return frames > 0; }
    void Add(uint32_t frame)
    {
        firstFrame = frames == 0 ? frame : firstFrame;
        ++frames;
    }
};

// "warning: clip.avi: 3 damaged frames replaced by the frame before each, the first frame 57";
// empty when none were.
std::string FormatReplacedFrames(const ReplacedFrames& replaced, std::string_view source);

// One line for the front ends, without a line break:
// "warning: clip.avi: frame 26: Corrupt JPEG data: premature end of data segment (and 1 more frame)".
// Empty when there were no warnings.
std::string FormatFrameWarnings(const FrameWarnings& warnings, std::string_view source);

}  // namespace kestrel
