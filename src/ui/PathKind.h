#pragma once

#include <string>

namespace kestrel::ui {

// What a path names, symbolic links followed.
enum class PathKind {
    Missing,      // nothing, a dangling link, or a path that cannot be looked up
    RegularFile,  // the only kind the window opens
    Folder,
    Other,  // a FIFO, a device or a socket: an open() of a FIFO would wait for a writer
};

// Asked of the file system by name (stat), never by opening the path. Every
// path the window lists or reads goes through this first.
PathKind KindOfPath(const std::string& path);

}  // namespace kestrel::ui
