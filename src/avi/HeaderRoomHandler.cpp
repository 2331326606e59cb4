#include "avi/HeaderRoomHandler.h"

#include "avi/AviLayout.h"
#include "avi/ChunkStream.h"

#include <algorithm>

namespace kestrel {

Status HeaderRoomHandler::Process()
{
    const uint64_t start = BeginChunk(id_);
    uint32_t copied = 0;
    if (id_ == avi::kDmlh && size_ >= avi::dmlh::kMinimumSize) {
        uint8_t totalFrames[4];
        if (!source_.Read(totalFrames, sizeof totalFrames) || !destination_.Write(totalFrames, sizeof totalFrames))
            return source_.Good() ? destination_.Result() : source_.Result();
        copied = sizeof totalFrames;
        // Progress counts against every frame of the file, not only the first RIFF chunk's.
        context_.TotalFrames = std::max(context_.TotalFrames, ReadLe32(totalFrames + avi::dmlh::kTotalFrames));
        context_.Output.NoteExtendedHeader(start + avi::kChunkHeaderSize);
    }
    if (Status moved = MovePayload(size_ - copied, Payload::Copy); !moved.Ok())
        return moved;
    if (id_ == avi::kJunk && parentListType_ == avi::kStrl && context_.ListStream)
        context_.Output.NoteStreamRoom(*context_.ListStream, start, size_);
    if (id_ == avi::kJunk && parentListType_ == avi::kHdrl)
        context_.Output.NoteHeaderRoom(start, size_);
    return EndChunk(start);
}

}  // namespace kestrel
