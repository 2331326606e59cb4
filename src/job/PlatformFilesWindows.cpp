#include "job/PlatformFiles.h"

#include "base/FilePath.h"

#include <windows.h>

namespace kestrel {
namespace {

// The last Win32 error as an errno value where one fits, for the messages' strerror.
std::error_code LastError()
{
    const std::error_code system(static_cast<int>(GetLastError()), std::system_category());
    const std::error_condition generic = system.default_error_condition();
    return generic.category() == std::generic_category() ? std::error_code(generic.value(), std::generic_category())
                                                         : system;
}

}  // namespace

PathKind KindOfPath(const std::string& path, std::error_code* why)
{
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(PathFromUtf8(path).c_str(), GetFileExInfoStandard, &data)) {
        if (why)
            *why = LastError();
        return PathKind::Absent;
    }
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        return PathKind::Directory;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DEVICE)
        return PathKind::Device;
    return PathKind::RegularFile;
}

std::error_code RenameOnto(const std::string& from, const std::string& to)
{
    if (MoveFileExW(PathFromUtf8(from).c_str(), PathFromUtf8(to).c_str(),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return {};
    return LastError();
}

}  // namespace kestrel
