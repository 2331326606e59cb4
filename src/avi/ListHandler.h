#pragma once

#include "avi/ChunkHandler.h"

namespace kestrel {

struct ConversionContext;

// A 'LIST' chunk: converts its children and patches its size behind them.
// 'movi' lists are opened and closed by the writer of RIFF chunks, and
// their frames handed to the frame source's workers.
class ListHandler : public ChunkHandler {
public:
    ListHandler(FourCC id, ConversionContext& context, FourCC parentListType);
    Status Process() override;

private:
    Status ProcessMovi();

    ConversionContext& context_;
    FourCC parentListType_;
};

}  // namespace kestrel
