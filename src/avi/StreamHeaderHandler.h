#pragma once

#include "avi/ChunkHandler.h"

namespace kestrel {

// A stream header 'strh': records the stream type; for the video stream,
// checks for a Motion-JPEG handler (see avi::IsMjpegHandler) and exchanges rcFrame's right and bottom for the
// quarter turns. Other streams' headers pass unchanged.
class StreamHeaderHandler : public ChunkHandler {
public:
    using ChunkHandler::ChunkHandler;
    Status Process() override;
};

}  // namespace kestrel
