#include "avi/HeaderRoomHandler.h"

#include "avi/AviLayout.h"
#include "avi/ChunkStream.h"
#include "avi/RiffWriter.h"

#include <algorithm>

namespace kestrel {

Status HeaderRoomHandler::Process()
{
    const uint64_t start = BeginChunk(id_);
    uint32_t copied = 0;
    if (id_ == avi::kDmlh && size_ >= avi::dmlh::kMinimumSize) {
        uint8_t totalFrames[4];
        if (!source_.Read(totalFrames, sizeof totalFrames))
            return source_.Result();
        if (Status written = output_.Write(totalFrames, sizeof totalFrames); !written.Ok())
            return written;
        copied = sizeof totalFrames;
        // Progress counts against every frame of the file, not only the first RIFF chunk's.
        progress_.announcedFrames =
            std::max(progress_.announcedFrames, ReadLe32(totalFrames + avi::dmlh::kTotalFrames));
        output_.NoteExtendedHeader(start + avi::kChunkHeaderSize);
    }
    if (Status rest = output_.CopyFrom(source_, size_ - copied); !rest.Ok())
        return rest;
    if (id_ == avi::kJunk && parentListType_ == avi::kStrl && walk_.listStream)
        output_.NoteStreamRoom(*walk_.listStream, start, size_);
    if (id_ == avi::kJunk && parentListType_ == avi::kHdrl)
        output_.NoteHeaderRoom(start, size_);
    return output_.EndChunk(start);
}

}  // namespace kestrel
