#include "cli/Console.h"

#include <cstdlib>
#include <sys/ioctl.h>
#include <unistd.h>

namespace kestrel {

std::vector<std::string> Utf8Arguments(int argc, char** argv) { return {argv, argv + argc}; }

void PrepareConsole() { }

bool StderrIsTerminal() { return isatty(STDERR_FILENO) != 0; }

int TerminalWidth()
{
    winsize size{};
    if (ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0)
        return size.ws_col;
    const char* columns = std::getenv("COLUMNS");
    const int width = columns ? std::atoi(columns) : 0;
    return width > 0 ? width : 80;
}

}  // namespace kestrel
