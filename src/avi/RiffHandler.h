#pragma once

#include "avi/ChunkHandler.h"

namespace kestrel {

struct ConversionContext;

// A top-level 'RIFF' chunk: the first ('AVI ') or an OpenDML continuation
// ('AVIX'). Converts its children and says whether another RIFF chunk
// follows; ConvertRiffFile ends the output.
class RiffHandler : public ChunkHandler {
public:
    RiffHandler(FourCC id, ConversionContext& context);
    Status Process() override;

private:
    ConversionContext& context_;
};

}  // namespace kestrel
