#pragma once

#include "avi/ChunkHandler.h"

namespace kestrel {

// The main AVI header 'avih': sets the has-index flag, records the frame
// count, leaves dwSuggestedBufferSize to be patched at the end and exchanges
// width and height for the quarter turns.
class MainHeaderHandler : public ChunkHandler {
public:
    using ChunkHandler::ChunkHandler;
    Status Process() override;
};

}  // namespace kestrel
