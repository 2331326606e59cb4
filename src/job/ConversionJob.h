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
};

}  // namespace kestrel
