#include "job/PlatformFiles.h"

#include "base/FilePath.h"

#include <filesystem>

namespace kestrel {

PathKind KindOfPath(const std::string& path, std::error_code* why)
{
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::file_status kind = fs::status(PathFromUtf8(path), error);
    if (error || !fs::exists(kind)) {
        if (why)
            *why = error ? error : std::make_error_code(std::errc::no_such_file_or_directory);
        return PathKind::Absent;
    }
    return fs::is_regular_file(kind)                                ? PathKind::RegularFile
           : fs::is_directory(kind)                                 ? PathKind::Directory
           : fs::is_fifo(kind)                                      ? PathKind::Fifo
           : fs::is_socket(kind)                                    ? PathKind::Socket
           : fs::is_character_file(kind) || fs::is_block_file(kind) ? PathKind::Device
                                                                    : PathKind::Other;
}

std::error_code RenameOnto(const std::string& from, const std::string& to)
{
    std::error_code error;
    std::filesystem::rename(PathFromUtf8(from), PathFromUtf8(to), error);
    return error;
}

}  // namespace kestrel
