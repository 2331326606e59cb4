// libFuzzer target over the whole conversion (see ConvertInput). Built by
// the `fuzz` preset with clang; run as described in tests/fuzz/README.md.

#include "fuzz/ConvertInput.h"

#include <unistd.h>

#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // One work folder per fuzzing process, so that parallel jobs never meet.
    static const std::filesystem::path work = [] {
        const auto path = std::filesystem::temp_directory_path() / ("kestrel-fuzz-" + std::to_string(getpid()));
        std::filesystem::create_directories(path);
        return path;
    }();
    kestrel::fuzz::ConvertInput(data, size, work);
    return 0;
}
