#pragma once

#include "avi/ChunkHandler.h"

namespace kestrel {

// The top-level 'RIFF' chunk: converts its children, appends the new
// 'idx1' and patches the sizes that are known only at the end.
class RiffHandler : public ChunkHandler {
public:
    using ChunkHandler::ChunkHandler;
    Status Process() override;
};

}  // namespace kestrel
