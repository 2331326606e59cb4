#pragma once

#include "base/Transform.h"

#include <string>

namespace kestrel {

// One conversion request: the controller fills it and hands it to the worker,
// which owns it from then on. Paths are plain strings of any length.
struct ConversionJob {
    std::string source;
    std::string destination;
    RotationMode mode = RotationMode::Anticlockwise90;
    // In place: the destination is the source itself. The converted file is
    // written beside it as usual and takes the source's permission bits
    // before it replaces the source; a failure leaves the source as it was.
    bool replacesSource = false;
};

}  // namespace kestrel
