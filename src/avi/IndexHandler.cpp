#include "avi/IndexHandler.h"

#include "avi/AviLayout.h"

namespace kestrel {

ChunkResult IndexHandler::Process()
{
    if (!ReadHeader() || !MovePayload(Padded(size_), Payload::Drop))
        return ChunkResult::Failure();
    return {avi::kChunkHeaderSize + Padded(size_), 0};
}

}  // namespace kestrel
