#include "cli/Console.h"

#include "base/FilePath.h"

#include <cstdlib>
#include <io.h>
#include <windows.h>

#include <shellapi.h>

namespace kestrel {

std::vector<std::string> Utf8Arguments(int argc, char** argv)
{
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!wide)
        return {argv, argv + argc};
    std::vector<std::string> arguments;
    for (int i = 0; i < count; ++i)
        arguments.push_back(Utf8FromPath(std::filesystem::path(wide[i])));
    LocalFree(wide);
    return arguments;
}

void PrepareConsole()
{
    SetConsoleOutputCP(CP_UTF8);
    // The progress line's "\r...\033[K" as a terminal draws it.
    const HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
    DWORD mode = 0;
    if (GetConsoleMode(error, &mode))
        SetConsoleMode(error, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
}

bool StderrIsTerminal()
{
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
}

int TerminalWidth()
{
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (GetConsoleScreenBufferInfo(GetStdHandle(STD_ERROR_HANDLE), &info)) {
        const int width = info.srWindow.Right - info.srWindow.Left + 1;
        if (width > 0)
            return width;
    }
    const char* columns = std::getenv("COLUMNS");
    const int width = columns ? std::atoi(columns) : 0;
    return width > 0 ? width : 80;
}

}  // namespace kestrel
