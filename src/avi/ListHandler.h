#pragma once

#include "avi/ChunkHandler.h"

namespace kestrel {

// A 'LIST' chunk: converts its children and patches its size behind them.
// 'movi' lists are opened and closed by the writer of RIFF chunks.
class ListHandler : public ChunkHandler {
public:
    ListHandler(FourCC id, ChunkStream& source, ChunkStream& destination, ConversionContext& context,
                FourCC parentListType)
        : ChunkHandler(id, source, destination, context), parentListType_(parentListType)
    {
    }
    Status Process() override;

private:
    Status ProcessMovi();

    FourCC parentListType_;
};

}  // namespace kestrel
