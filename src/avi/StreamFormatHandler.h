#pragma once

#include "avi/ChunkHandler.h"
#include "avi/ConversionContext.h"

namespace kestrel {

// The video stream's format 'strf' (a bitmap info header): checks for
// 24-bit Motion-JPEG of a sane size (avi::ReadVideoFormat), records the
// frame size and exchanges width and height for the quarter turns. A chunk
// longer than the 40-byte header keeps its extra bytes as they are; a
// shorter one is refused.
class StreamFormatHandler : public ChunkHandler {
public:
    StreamFormatHandler(FourCC id, ChunkStream& source, RiffWriter& output, RotationMode mode, WalkState& walk)
        : ChunkHandler(id, source, output), mode_(mode), walk_(walk)
    {
    }
    Status Process() override;

private:
    const RotationMode mode_;
    WalkState& walk_;
};

}  // namespace kestrel
