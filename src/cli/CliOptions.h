#pragma once

#include "base/Transform.h"

#include "job/ConversionJob.h"

#include <optional>
#include <string>
#include <vector>

namespace CLI {
class App;
}

namespace kestrel {

// Everything the command line says. One field and one line in AddOptions per
// option.
struct Options {
    std::string transform = "acw";  // as typed; Validate() sets `mode`
    RotationMode mode = RotationMode::Anticlockwise90;
    std::optional<std::string> outputDirectory;  // -o; none: see OutputNaming
    bool inPlace = false;
    std::optional<std::string> suffix;
    bool noClobber = false;
    bool keepGoing = false;
    bool preserveTime = false;
    bool quiet = false;
    bool salvage = false;              // --salvage: damaged frames repeat the frame before them
    int32_t jobs = HardwareThreads();  // -j: threads transcoding frames side by side
    std::vector<std::string> files;
};

// Declares the options, the help text and --version on `app`.
void AddOptions(CLI::App& app, Options& options);

// What the parser can't check alone: the transform's name, and a suffix
// that names no folder. The one-line reason when the options are unusable.
std::optional<std::string> Validate(Options& options);

}  // namespace kestrel
