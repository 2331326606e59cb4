#pragma once

#include "avi/ChunkHandler.h"
#include "avi/ConversionContext.h"

namespace kestrel {

// The main AVI header 'avih': sets the has-index flag, records the frame
// count for the progress, leaves dwSuggestedBufferSize to be patched at the
// end and exchanges width and height for the quarter turns.
class MainHeaderHandler : public ChunkHandler {
public:
    MainHeaderHandler(FourCC id, ChunkStream& source, RiffWriter& output, RotationMode mode, Progress& progress)
        : ChunkHandler(id, source, output), mode_(mode), progress_(progress)
    {
    }
    Status Process() override;

private:
    const RotationMode mode_;
    Progress& progress_;
};

}  // namespace kestrel
