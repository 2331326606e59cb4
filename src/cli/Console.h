#pragma once

#include <string>
#include <vector>

namespace kestrel {

// The console as the command line meets it, for Linux (ConsolePosix.cpp)
// and Windows (ConsoleWindows.cpp).

// The program's arguments in UTF-8: argv as it is on Linux; on Windows the
// wide command line, since argv there is in the ANSI code page.
std::vector<std::string> Utf8Arguments(int argc, char** argv);

// Makes the console take the program's UTF-8 text and the progress line's
// escape sequences (on Windows; nothing to do on Linux).
void PrepareConsole();

// Whether standard error is a terminal (a console window), where the
// progress line is drawn.
bool StderrIsTerminal();

// The width of standard error's terminal in columns; $COLUMNS or 80 when unknown.
int TerminalWidth();

}  // namespace kestrel
