// libFuzzer target over the window's preview without widgets (see
// PreviewInput). Built by the `fuzz` preset with clang; run as the README
// says.

#include "fuzz/PreviewInput.h"

#include <unistd.h>

#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // One work folder per fuzzing process, so that parallel jobs never meet.
    static const std::filesystem::path work = [] {
        const auto path = std::filesystem::temp_directory_path() / ("kestrel-fuzz-preview-" + std::to_string(getpid()));
        std::filesystem::create_directories(path);
        return path;
    }();
    if (!kestrel::fuzz::PreviewEndsCleanly(kestrel::fuzz::PreviewInput(data, size, work)))
        std::abort();
    return 0;
}
