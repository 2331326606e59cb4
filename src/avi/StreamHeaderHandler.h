#pragma once

#include "avi/ChunkHandler.h"
#include "avi/ConversionContext.h"

namespace kestrel {

// A stream header 'strh': numbers the stream and records its type; for the
// video stream, checks for a Motion-JPEG handler (see avi::IsMjpegHandler)
// and exchanges rcFrame's right and bottom for the quarter turns. Other
// streams' headers pass unchanged.
class StreamHeaderHandler : public ChunkHandler {
public:
    StreamHeaderHandler(FourCC id, ChunkStream& source, RiffWriter& output, RotationMode mode, WalkState& walk)
        : ChunkHandler(id, source, output), mode_(mode), walk_(walk)
    {
    }
    Status Process() override;

private:
    const RotationMode mode_;
    WalkState& walk_;
};

}  // namespace kestrel
