#include "cli/ProgressLine.h"

#include "cli/Console.h"

#include <cinttypes>
#include <cstdio>

namespace kestrel {
namespace {

// Columns a UTF-8 text takes, counting one per character.
size_t Columns(const std::string& text)
{
    size_t columns = 0;
    for (unsigned char c : text)
        columns += (c & 0xC0) != 0x80;
    return columns;
}

// The last `columns` characters of a UTF-8 text.
std::string LastColumns(const std::string& text, size_t columns)
{
    size_t start = text.size();
    for (size_t kept = 0; start > 0 && kept < columns;) {
        --start;
        kept += (static_cast<unsigned char>(text[start]) & 0xC0) != 0x80;
    }
    return text.substr(start);
}

std::string Printable(std::string name)
{
    for (char& c : name)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            c = '?';
    return name;
}

std::string Duration(double seconds)
{
    const int64_t total = static_cast<int64_t>(seconds + 0.5);
    char text[48];
    if (total >= 3600)
        std::snprintf(text, sizeof text, "%" PRId64 ":%02" PRId64 ":%02" PRId64, total / 3600, total / 60 % 60,
                      total % 60);
    else
        std::snprintf(text, sizeof text, "%" PRId64 ":%02" PRId64, total / 60, total % 60);
    return text;
}

}  // namespace

std::string FormatProgress(const Progress& progress, int width)
{
    // One column stays free: some terminals wrap as soon as the last one is written.
    const size_t room = width > 1 ? static_cast<size_t>(width - 1) : 0;
    char text[64];
    std::snprintf(text, sizeof text, "file %d/%d", progress.index, progress.count);
    const std::string counter = text;
    std::snprintf(text, sizeof text, "  %3d%%", progress.percent);
    const std::string percent = text;
    std::snprintf(text, sizeof text, "  %.1f fps", progress.seconds > 0 ? progress.frames / progress.seconds : 0.0);
    const std::string speed = text;
    // The time left, once there is enough of the file behind to tell.
    std::string left = "  --:-- left";
    if (progress.percent > 0 && progress.percent < 100 && progress.seconds >= 0.5)
        left = "  " + Duration(progress.seconds * (100 - progress.percent) / progress.percent) + " left";
    const std::string figures = percent + speed + left;

    // The name gives way first: shortened from its start, then left out.
    const std::string name = Printable(progress.file);
    const size_t fixed = counter.size() + 1 + figures.size();
    if (fixed + Columns(name) <= room)
        return counter + " " + name + figures;
    constexpr size_t kShortestName = 12;
    if (fixed + kShortestName <= room)
        return counter + " ..." + LastColumns(name, room - fixed - 3) + figures;
    // Then the time left and the speed.
    std::string line = counter + percent;
    for (const std::string& part : {speed, left}) {
        if (line.size() + part.size() > room)
            break;
        line += part;
    }
    return line.substr(0, std::min(line.size(), room));
}

ProgressLine::ProgressLine(std::string file, int index, int count, bool enabled)
    : enabled_(enabled && StderrIsTerminal()), start_(std::chrono::steady_clock::now())
{
    progress_.file = std::move(file);
    progress_.index = index;
    progress_.count = count;
}

void ProgressLine::Update(int percent, int frames)
{
    if (!enabled_)
        return;
    progress_.percent = percent;
    progress_.frames = frames;
    progress_.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    std::fprintf(stderr, "\r%s\033[K", FormatProgress(progress_, TerminalWidth()).c_str());
    std::fflush(stderr);
    drawn_ = true;
}

void ProgressLine::Finish()
{
    if (drawn_) {
        std::fprintf(stderr, "\r\033[K");
        std::fflush(stderr);
    }
}

}  // namespace kestrel
