#pragma once

#include "avi/ChunkHandler.h"

namespace kestrel {

// A compressed video frame: decoded, transformed and re-encoded (ahead, by
// the frame pipeline, when one runs), then written in file order with its
// new size and an index entry.
class VideoFrameHandler : public ChunkHandler {
public:
    using ChunkHandler::ChunkHandler;
    Status Process() override;
};

}  // namespace kestrel
