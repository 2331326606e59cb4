#include "avi/MainHeaderHandler.h"

#include "avi/AviLayout.h"
#include "avi/ChunkStream.h"
#include "avi/RiffWriter.h"
#include "base/StatusCode.h"

#include <algorithm>

namespace kestrel {

Status MainHeaderHandler::Process()
{
    // FOURCC, size and header in one block, written back with one write.
    uint8_t block[avi::kChunkHeaderSize + avi::avih::kSize];
    uint8_t* header = block + avi::kChunkHeaderSize;
    if (Status read = ReadFixedSizeChunk(avi::avih::kSize, block); !read.Ok())
        return read;

    WriteLe32(header + avi::avih::kFlags, ReadLe32(header + avi::avih::kFlags) | avi::avih::kFlagHasIndex);
    progress_.announcedFrames = ReadLe32(header + avi::avih::kTotalFrames);
    // The largest chunk is known only at the end of the file; patched then.
    WriteLe32(header + avi::avih::kSuggestedBufferSize, 0);
    output_.NoteMainHeader(output_.Position() + avi::kChunkHeaderSize);
    if (SwapsDimensions(mode_))
        std::swap_ranges(header + avi::avih::kWidth, header + avi::avih::kWidth + 4, header + avi::avih::kHeight);

    return output_.Write(block, sizeof block);
}

}  // namespace kestrel
