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

}  // namespace kestrel
