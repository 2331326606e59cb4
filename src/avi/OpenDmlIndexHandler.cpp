#include "avi/OpenDmlIndexHandler.h"

#include "avi/AviLayout.h"

namespace kestrel {

Status OpenDmlIndexHandler::Process()
{
    const uint64_t start = BeginChunk(avi::kJunk);
    if (Status zeros = MovePayload(size_, Payload::WriteZeros); !zeros.Ok())
        return zeros;
    // A stream's super index leaves its place for the output's own.
    if (id_ == avi::kIndx && context_.ListStream)
        context_.Output.NoteStreamRoom(*context_.ListStream, start, size_);
    return EndChunk(start);
}

}  // namespace kestrel
