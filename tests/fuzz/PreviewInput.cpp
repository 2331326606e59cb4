#include "fuzz/PreviewInput.h"

#include "ui/HeaderFrameCount.h"

#include <atomic>
#include <fstream>

namespace kestrel::fuzz {

ui::PreviewFrames PreviewInput(const uint8_t* data, size_t size, const std::filesystem::path& work)
{
    const RotationMode mode =
        size > 0 ? kTransforms[(data[0] & 7) % kTransforms.size()].mode : RotationMode::Clockwise90;
    const int index = size > 0 ? (data[0] >> 3) & 3 : 0;
    const std::filesystem::path file = work / "preview.avi";
    {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        if (size > 1)
            out.write(reinterpret_cast<const char*>(data + 1), static_cast<std::streamsize>(size - 1));
    }
    ui::HeaderFrameCount(file.string());
    const std::atomic<bool> stop = false;
    ui::PreviewFrames frames = ui::LoadPreviewFrames(file.string(), index, mode, stop);
    std::error_code ignored;
    std::filesystem::remove(file, ignored);
    return frames;
}

bool PreviewEndsCleanly(const ui::PreviewFrames& frames)
{
    if (frames.error != ui::FirstFrameError::None)
        return !ui::FirstFrameErrorText(frames.error).empty();
    return !frames.before.pixels.empty() && !frames.after.pixels.empty();
}

}  // namespace kestrel::fuzz
