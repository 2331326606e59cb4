#include "avi/OpenDmlIndexHandler.h"

#include "avi/AviLayout.h"

namespace kestrel {

Status OpenDmlIndexHandler::Process()
{
    const uint64_t start = BeginChunk(avi::kJunk);
    if (Status zeros = MovePayload(size_, Payload::WriteZeros); !zeros.Ok())
        return zeros;
    return EndChunk(start);
}

}  // namespace kestrel
