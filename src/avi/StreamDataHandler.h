#pragma once

#include "avi/ChunkHandler.h"

namespace kestrel {

// Any other stream data chunk (audio, uncompressed video, palette
// change): copied unchanged, with an index entry.
class StreamDataHandler : public ChunkHandler {
public:
    using ChunkHandler::ChunkHandler;
    Status Process() override;
};

}  // namespace kestrel
