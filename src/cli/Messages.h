#pragma once

#include "base/Failure.h"

#include <string>
#include <string_view>

namespace kestrel {

// The name every error line starts with.
inline constexpr std::string_view kProgramName = "kestrel-cli";

// A message of several lines (as the window shows it) on one line: the
// line breaks become spaces.
std::string OneLine(std::string_view text);

// A failed file's message on one line; the JPEG library's words, when it
// gave up on a frame, follow in parentheses.
std::string FailureLine(const Failure& failure, std::string_view source, std::string_view destination);

// "kestrel-cli: " + `line` on standard error.
void PrintError(std::string_view line);

// Standard output, a line at a time, keeping the reason of the first write
// that failed for the check at exit (the stream keeps only that one did).
class OutputLines {
public:
    void Print(std::string_view line);
    // The system's error number of the first failed write; 0 when none.
    int Error() const { return error_; }

private:
    int error_ = 0;
};

// Closes standard output and error as the program's last act: a write to
// either that failed makes a successful `exitStatus` 1, and a failure of
// standard output is said on standard error ("kestrel-cli: write error: No
// space left on device") while that still works. The exit status.
int CloseStandardStreams(int exitStatus, const OutputLines& lines);

}  // namespace kestrel
