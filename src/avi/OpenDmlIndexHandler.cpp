#include "avi/OpenDmlIndexHandler.h"

#include "avi/AviLayout.h"

namespace kestrel {

ChunkResult OpenDmlIndexHandler::Process()
{
    if (!ReadHeader() || !WriteChunkHeader(avi::kJunk, size_) || !MovePayload(Padded(size_), Payload::WriteZeros))
        return ChunkResult::Failure();
    const uint64_t total = avi::kChunkHeaderSize + Padded(size_);
    return {total, total};
}

}  // namespace kestrel
