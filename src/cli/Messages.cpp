#include "cli/Messages.h"

#include "base/StatusCode.h"

#include <cstdio>

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

}  // namespace kestrel
