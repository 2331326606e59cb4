#pragma once

#include "base/Failure.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace kestrel {

// The file-system calls of the job layer that the standard library lacks,
// on plain paths. Failures carry the system's error number; `code` is the
// status a failure is reported with.

// Puts the bytes of the closed file `path` on the disk (fsync), so that a
// rename that follows cannot outlive them in a crash.
Status SyncFile(const std::string& path, int32_t code);

// Puts the folder that holds `path` on the disk: a rename into it is then
// kept through a crash. A file system that cannot sync a folder is no failure.
Status SyncFolderOf(const std::string& path, int32_t code);

// Gives `path` the owner and group of `model` (links followed) where the
// system allows it: both as root, else the group alone when the caller
// owns the file and belongs to the group. Not being permitted is no failure.
Status CopyOwner(const std::string& model, const std::string& path, int32_t code);

// The file a chain of symbolic links starting at `path` ends at: `path`
// itself when it is no link; a relative link is read from its own folder.
Status ResolveLinks(const std::string& path, std::string& target, int32_t code);

// How many names the file `path` has (hard links); 0 when it can't be asked.
uint64_t HardLinkCount(const std::string& path);

// The longest file name, in bytes, the folder holding `path` takes (255
// when the system does not say).
size_t LongestNameBeside(const std::string& path);

}  // namespace kestrel
