#include "avi/IndexHandler.h"

namespace kestrel {

// The old index is left unread (the walker skips it); the writer ends the
// output with a new one.
Status IndexHandler::Process() { return {}; }

}  // namespace kestrel
