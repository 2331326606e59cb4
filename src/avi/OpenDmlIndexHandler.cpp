#include "avi/OpenDmlIndexHandler.h"

#include "avi/AviLayout.h"
#include "avi/ChunkStream.h"
#include "avi/RiffWriter.h"

namespace kestrel {

Status OpenDmlIndexHandler::Process()
{
    const uint64_t start = BeginChunk(avi::kJunk);
    if (!source_.Skip(size_))
        return source_.Result();
    if (Status zeros = output_.WriteZeros(size_); !zeros.Ok())
        return zeros;
    // A stream's super index leaves its place for the output's own.
    if (id_ == avi::kIndx && walk_.listStream)
        output_.NoteStreamRoom(*walk_.listStream, start, size_);
    return output_.EndChunk(start);
}

}  // namespace kestrel
