#pragma once

#include "avi/ChunkHandler.h"
#include "avi/ConversionContext.h"

namespace kestrel {

// An OpenDML index of the source ('indx' in a stream list, 'ix##' in
// 'movi'). Its offsets and sizes describe the source's frames, not the
// re-encoded ones, so it becomes a 'JUNK' chunk of the same size; the place
// of an 'indx' is room for the output's own super index.
class OpenDmlIndexHandler : public ChunkHandler {
public:
    OpenDmlIndexHandler(FourCC id, ChunkStream& source, RiffWriter& output, const WalkState& walk)
        : ChunkHandler(id, source, output), walk_(walk)
    {
    }
    Status Process() override;

private:
    const WalkState& walk_;
};

}  // namespace kestrel
