// Shows every file of the fuzz regression corpora in the window's preview,
// as the preview's fuzz target does, and checks that each one ends cleanly:
// both pictures shown, or a message. Crashes, leaks and undefined behaviour are the
// sanitizers' to report. usage: kestrel_fuzz_preview_replay DIR...

#include "fuzz/PreviewInput.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

int main(int argc, char** argv)
{
    const auto work = std::filesystem::temp_directory_path() / "kestrel-fuzz-preview-replay";
    std::filesystem::create_directories(work);
    int files = 0;
    int faults = 0;
    for (int i = 1; i < argc; ++i) {
        for (const auto& entry : std::filesystem::directory_iterator(argv[i])) {
            std::ifstream in(entry.path(), std::ios::binary);
            const std::vector<uint8_t> data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            const kestrel::ui::PreviewFrames frames = kestrel::fuzz::PreviewInput(data.data(), data.size(), work);
            ++files;
            if (!kestrel::fuzz::PreviewEndsCleanly(frames)) {
                ++faults;
                std::printf("%s: neither shown nor refused with a message\n", entry.path().c_str());
            }
        }
    }
    std::filesystem::remove_all(work);
    std::printf("%d passed, %d failed\n", files - faults, faults);
    return faults == 0 && files > 0 ? 0 : 1;
}
