#include "avi/IndexHandler.h"

namespace kestrel {

// The old index is left unread (the walker skips it); the RIFF handler
// writes the new one.
Status IndexHandler::Process() { return {}; }

}  // namespace kestrel
