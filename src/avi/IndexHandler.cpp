#include "avi/IndexHandler.h"

#include "avi/AviLayout.h"

namespace kestrel {

ChunkResult IndexHandler::Process()
{
    if (!ReadHeader() || !SkipPayload(Padded(size_)))
        return ChunkResult::Failure();
    return {avi::kChunkHeaderSize + Padded(size_), 0};
}

}  // namespace kestrel
