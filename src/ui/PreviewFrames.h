#pragma once

#include "base/Transform.h"
#include "ui/FirstFrame.h"

#include <atomic>
#include <cstdint>
#include <string>

namespace kestrel::ui {

// One frame of a file for the preview: as it is, and as the conversion
// writes it (run through the core's frame transcoder under the transform,
// then decoded), so that what the preview shows is the converted frame.
struct PreviewFrames {
    FirstFrameError error = FirstFrameError::None;
    bool stopped = false;     // given up at the owner's request
    int index = 0;            // the frame shown: the one asked for, or the file's last
    uint32_t frameCount = 0;  // the frames the headers announce
    FramePicture before;
    FramePicture after;
};

// Frame `index` (from 0) of `path`'s video stream under `mode`; a file with
// fewer frames shows its last. Reading stops once `stop` is set, between
// frames or inside a frame's decode. Frames are bounded as the first frame's
// are (64 MiB compressed, 256 MiB decoded, and the conversion's frame limits:
// mjpeg/FrameLimits.h); the work runs on any thread, one call per thread.
PreviewFrames LoadPreviewFrames(const std::string& path, int index, RotationMode mode, const std::atomic<bool>& stop);

}  // namespace kestrel::ui
