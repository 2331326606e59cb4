#include "ui/PathKind.h"

#include <filesystem>
#include <system_error>

namespace kestrel::ui {

PathKind KindOfPath(const std::string& path)
{
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::file_status status = fs::status(path, error);
    if (error || !fs::exists(status))
        return PathKind::Missing;
    if (fs::is_regular_file(status))
        return PathKind::RegularFile;
    return fs::is_directory(status) ? PathKind::Folder : PathKind::Other;
}

}  // namespace kestrel::ui
