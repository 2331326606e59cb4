#include "avi/ConversionContext.h"

namespace kestrel {
namespace {

// Percent of the announced frames done. It reaches 100 exactly with the last
// announced frame; frames beyond the announced count hold it at 99 until the
// conversion ends, and a file that announces none shows 0 until then.
int32_t PercentDone(uint32_t done, uint32_t total)
{
    if (total == 0)
        return 0;
    if (done > total)
        return 99;
    return static_cast<int32_t>(uint64_t(done) * 100 / total);
}

}  // namespace

void Progress::FrameWritten(uint32_t frames)
{
    status.FramesConverted = static_cast<int32_t>(frames);
    status.ProgressPercent = PercentDone(frames, announcedFrames);
}

}  // namespace kestrel
