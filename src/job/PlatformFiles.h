#pragma once

#include <string>
#include <system_error>

namespace kestrel {

// The file-system calls whose Linux and Windows forms differ, on UTF-8
// paths: PlatformFilesPosix.cpp and PlatformFilesWindows.cpp.

enum class PathKind { Absent, RegularFile, Directory, Fifo, Socket, Device, Other };

// What stands under `path`, asked without opening it; Absent also when it
// can't be asked, `error` then saying why (ENOENT when nothing is there).
PathKind KindOfPath(const std::string& path, std::error_code* error = nullptr);

// Renames `from` onto `to`, replacing a file there in one step; on Windows
// the rename is written through to the disk before it returns. The error is
// an errno value (generic category) where one fits.
std::error_code RenameOnto(const std::string& from, const std::string& to);

}  // namespace kestrel
