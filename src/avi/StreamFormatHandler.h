#pragma once

#include "avi/ChunkHandler.h"

namespace kestrel {

// The video stream's format 'strf' (a bitmap info header): checks for
// 24-bit Motion-JPEG of a sane size, records the frame size and exchanges
// width and height for the quarter turns. A chunk longer than the 40-byte
// header keeps its extra bytes as they are; a shorter one is refused.
class StreamFormatHandler : public ChunkHandler {
public:
    using ChunkHandler::ChunkHandler;
    Status Process() override;
};

}  // namespace kestrel
