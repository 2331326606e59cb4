#include "cli/Messages.h"

#include "base/StatusCode.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace kestrel {

std::string OneLine(std::string_view text)
{
    std::string line(text);
    for (char& c : line)
        if (c == '\n')
            c = ' ';
    return line;
}

std::string FailureLine(const Failure& failure, std::string_view source, std::string_view destination)
{
    Failure withoutLibrary = failure;
    withoutLibrary.libraryMessage.clear();
    std::string line = OneLine(FormatFailure(withoutLibrary, source, destination));
    if (!failure.libraryMessage.empty())
        line += " (JPEG library: " + OneLine(failure.libraryMessage) + ")";
    return line;
}

void PrintError(std::string_view line)
{
    std::fprintf(stderr, "%.*s: %.*s\n", static_cast<int>(kProgramName.size()), kProgramName.data(),
                 static_cast<int>(line.size()), line.data());
}

void OutputLines::Print(std::string_view line)
{
    errno = 0;
    if (std::fprintf(stdout, "%.*s\n", static_cast<int>(line.size()), line.data()) < 0 && error_ == 0)
        error_ = errno != 0 ? errno : EIO;
}

int CloseStandardStreams(int exitStatus, const OutputLines& lines)
{
    const int failure = exitStatus == 0 ? 1 : exitStatus;
    const bool outputFailed = std::ferror(stdout) != 0;
    errno = 0;
    if (std::fclose(stdout) != 0 || outputFailed) {
        const int error = lines.Error() != 0 ? lines.Error() : errno;
        std::fprintf(stderr, "%.*s: write error%s%s\n", static_cast<int>(kProgramName.size()), kProgramName.data(),
                     error != 0 ? ": " : "", error != 0 ? std::strerror(error) : "");
        exitStatus = failure;
    }
    const bool errorFailed = std::ferror(stderr) != 0;
    if (std::fclose(stderr) != 0 || errorFailed)
        exitStatus = failure;
    return exitStatus;
}

}  // namespace kestrel
