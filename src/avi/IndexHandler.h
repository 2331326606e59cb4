#pragma once

#include "avi/ChunkHandler.h"

namespace kestrel {

// The source's legacy index 'idx1': read and dropped; the conversion
// appends a new one for the new chunk sizes.
class IndexHandler : public ChunkHandler {
public:
    using ChunkHandler::ChunkHandler;
    Status Process() override;
};

}  // namespace kestrel
