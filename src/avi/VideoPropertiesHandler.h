#pragma once

#include "avi/ChunkHandler.h"

namespace kestrel {

// The OpenDML video properties 'vprp' of the video stream: the frame
// size, aspect ratio and field sizes follow the quarter turns.
class VideoPropertiesHandler : public ChunkHandler {
public:
    using ChunkHandler::ChunkHandler;
    Status Process() override;
};

}  // namespace kestrel
