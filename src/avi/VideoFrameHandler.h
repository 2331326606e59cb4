#pragma once

#include "avi/ChunkHandler.h"
#include "avi/ConversionContext.h"

namespace kestrel {

// A compressed video frame: decoded, transformed and re-encoded (ahead, by
// the frame pipeline's workers, when they run), then written in file order
// with its new size through the writer's data door.
class VideoFrameHandler : public ChunkHandler {
public:
    VideoFrameHandler(FourCC id, ChunkStream& source, RiffWriter& output, FrameSource& frames, Progress& progress,
                      const FrameFormat& format)
        : ChunkHandler(id, source, output), frames_(frames), progress_(progress), format_(format)
    {
    }
    Status Process() override;

private:
    FrameSource& frames_;
    Progress& progress_;
    const FrameFormat format_;
};

}  // namespace kestrel
