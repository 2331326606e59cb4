#pragma once

#include "avi/ChunkHandler.h"

namespace kestrel {

// An OpenDML index ('indx' in a stream list, 'ix##' in 'movi'). Its
// offsets and sizes describe the source's frames, not the re-encoded ones, so
// it becomes a 'JUNK' chunk of the same size and readers use the new 'idx1'.
class OpenDmlIndexHandler : public ChunkHandler {
public:
    using ChunkHandler::ChunkHandler;
    Status Process() override;
};

}  // namespace kestrel
