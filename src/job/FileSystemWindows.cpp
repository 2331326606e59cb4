#include "job/FileSystem.h"

#include "base/FilePath.h"

#include <windows.h>

namespace kestrel {
namespace {

Status LastFailure(int32_t code)
{
    const std::error_code system(static_cast<int>(GetLastError()), std::system_category());
    return Status::FailSystem(code, system.default_error_condition().value());
}

}  // namespace

// Windows' forms of the POSIX calls in FileSystem.cpp.

Status SyncFile(const std::string& path, int32_t code)
{
    const HANDLE file = CreateFileW(PathFromUtf8(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return LastFailure(code);
    const bool flushed = FlushFileBuffers(file);
    const Status status = flushed ? Status() : LastFailure(code);
    CloseHandle(file);
    return status;
}

// The rename itself is written through (MOVEFILE_WRITE_THROUGH): no folder
// to sync.
Status SyncFolderOf(const std::string&, int32_t) { return {}; }

// Files on Windows get their owner from the folder's access rules.
Status CopyOwner(const std::string&, const std::string&, int32_t) { return {}; }

// Windows' symbolic links need rights users rarely have: a path is its own target.
Status ResolveLinks(const std::string& path, std::string& target, int32_t)
{
    target = path;
    return {};
}

uint64_t HardLinkCount(const std::string& path)
{
    const HANDLE file =
        CreateFileW(PathFromUtf8(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 0;
    BY_HANDLE_FILE_INFORMATION information{};
    const bool known = GetFileInformationByHandle(file, &information);
    CloseHandle(file);
    return known ? information.nNumberOfLinks : 0;
}

// NTFS and FAT take 255 UTF-16 units: a UTF-8 name of 255 bytes always fits.
size_t LongestNameBeside(const std::string&) { return 255; }

}  // namespace kestrel
