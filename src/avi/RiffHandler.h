#pragma once

#include "avi/ChunkHandler.h"

namespace kestrel {

// A top-level 'RIFF' chunk: the first ('AVI ') or an OpenDML continuation
// ('AVIX'). Converts its children; ConvertRiffFile ends the output.
class RiffHandler : public ChunkHandler {
public:
    using ChunkHandler::ChunkHandler;
    Status Process() override;
};

}  // namespace kestrel
