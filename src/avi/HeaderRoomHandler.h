#pragma once

#include "avi/ChunkHandler.h"
#include "avi/ConversionContext.h"

namespace kestrel {

// A chunk of the header that the output's OpenDML indexes may use, copied
// as it is: a 'JUNK' chunk in a stream list (room for the stream's super
// index) or in the header list (room for an 'odml' list), and the 'dmlh'
// chunk of an 'odml' list, whose frame count is also the progress's total.
class HeaderRoomHandler : public ChunkHandler {
public:
    HeaderRoomHandler(FourCC id, ChunkStream& source, RiffWriter& output, const WalkState& walk, Progress& progress,
                      FourCC parentListType)
        : ChunkHandler(id, source, output), walk_(walk), progress_(progress), parentListType_(parentListType)
    {
    }
    Status Process() override;

private:
    const WalkState& walk_;
    Progress& progress_;
    const FourCC parentListType_;
};

}  // namespace kestrel
