#pragma once

#include "avi/ChunkHandler.h"
#include "base/Transform.h"

namespace kestrel {

// The OpenDML video properties 'vprp' of the video stream: the frame
// size, aspect ratio and field sizes follow the quarter turns.
class VideoPropertiesHandler : public ChunkHandler {
public:
    VideoPropertiesHandler(FourCC id, ChunkStream& source, RiffWriter& output, RotationMode mode)
        : ChunkHandler(id, source, output), mode_(mode)
    {
    }
    Status Process() override;

private:
    const RotationMode mode_;
};

}  // namespace kestrel
