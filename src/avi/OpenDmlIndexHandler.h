#pragma once

#include "avi/ChunkHandler.h"

namespace kestrel {

// An OpenDML index of the source ('indx' in a stream list, 'ix##' in
// 'movi'). Its offsets and sizes describe the source's frames, not the
// re-encoded ones, so it becomes a 'JUNK' chunk of the same size; the place
// of an 'indx' is room for the output's own super index.
class OpenDmlIndexHandler : public ChunkHandler {
public:
    using ChunkHandler::ChunkHandler;
    Status Process() override;
};

}  // namespace kestrel
