#pragma once

#include "avi/RiffWriter.h"
#include "base/Transform.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <thread>

namespace kestrel {

// One conversion request: the controller fills it and hands it to the worker,
// which owns it from then on. Paths are plain strings of any length.
struct ConversionJob {
    std::string source;
    std::string destination;
    RotationMode mode = RotationMode::Anticlockwise90;
    // Threads transcoding frames side by side; 1: one thread does it all.
    // The output is the same for every count.
    int32_t jobs = 1;
    // In place: the destination is the source itself. The converted file is
    // written beside it as usual and takes the source's owner and group
    // (where the system allows) and permission bits before it replaces the
    // source; a failure leaves the source as it was. A source that is a
    // symbolic link stays one: the file it leads to is replaced.
    bool replacesSource = false;
    // An output larger than this continues in further RIFF chunks (the
    // OpenDML layout); tests make such files from small inputs.
    uint64_t riffSizeLimit = RiffWriter::kDefaultSizeLimit;
    // Frames the JPEG library cannot decode repeat the frame before them
    // (a grey picture for the first) instead of failing the file.
    bool salvage = false;
};

// One thread for each the machine runs at once: the front ends' default.
inline int32_t HardwareThreads() { return static_cast<int32_t>(std::max(1u, std::thread::hardware_concurrency())); }

}  // namespace kestrel
