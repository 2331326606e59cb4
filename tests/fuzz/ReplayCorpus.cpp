// Converts every file of the fuzz regression corpus, as the fuzz target
// does, and checks that each one ends cleanly: converted, or refused with a
// message. Crashes, leaks and undefined behaviour are the sanitizers' to
// report. usage: kestrel_fuzz_replay DIR...

#include "base/StatusCode.h"
#include "fuzz/ConvertInput.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    const auto work = std::filesystem::temp_directory_path() / "kestrel-fuzz-replay";
    std::filesystem::create_directories(work);
    int files = 0;
    int faults = 0;
    for (int i = 1; i < argc; ++i) {
        for (const auto& entry : std::filesystem::directory_iterator(argv[i])) {
            std::ifstream in(entry.path(), std::ios::binary);
            const std::vector<uint8_t> data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            const kestrel::ConversionResult result = kestrel::fuzz::ConvertInput(data.data(), data.size(), work);
            ++files;
            const bool clean = result.outcome == kestrel::Outcome::Converted ||
                               (result.outcome == kestrel::Outcome::Failed &&
                                !kestrel::FormatFailure(result.failure, "in.avi", "out.avi").empty());
            if (!clean) {
                ++faults;
                std::printf("%s: neither converted nor refused with a message\n", entry.path().c_str());
            }
        }
    }
    std::filesystem::remove_all(work);
    std::printf("%d passed, %d failed\n", files - faults, faults);
    return faults == 0 && files > 0 ? 0 : 1;
}
