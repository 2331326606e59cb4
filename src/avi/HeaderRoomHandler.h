#pragma once

#include "avi/ChunkHandler.h"

namespace kestrel {

// A chunk of the header that the output's OpenDML indexes may use, copied
// as it is: a 'JUNK' chunk in a stream list (room for the stream's super
// index) or in the header list (room for an 'odml' list), and the 'dmlh'
// chunk of an 'odml' list, whose frame count is also the conversion's total.
class HeaderRoomHandler : public ChunkHandler {
public:
    HeaderRoomHandler(FourCC id, ChunkStream& source, ChunkStream& destination, ConversionContext& context,
                      FourCC parentListType)
        : ChunkHandler(id, source, destination, context), parentListType_(parentListType)
    {
    }
    Status Process() override;

private:
    FourCC parentListType_;
};

}  // namespace kestrel
