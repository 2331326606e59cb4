#include "base/FilePath.h"

#include <cstring>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#endif

namespace kestrel {

std::FILE* OpenFile(const std::string& utf8Path, const char* mode)
{
#ifdef _WIN32
    const std::wstring path = PathFromUtf8(utf8Path).wstring();
    // The C runtime's fopen knows no "x": the exclusive create goes through _wopen.
    if (std::strchr(mode, 'x')) {
        const int fd = _wopen(path.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
        if (fd < 0)
            return nullptr;
        std::FILE* file = _fdopen(fd, "wb");
        if (!file)
            _close(fd);
        return file;
    }
    const std::wstring wideMode(mode, mode + std::strlen(mode));
    return _wfopen(path.c_str(), wideMode.c_str());
#else
    return std::fopen(utf8Path.c_str(), mode);
#endif
}

}  // namespace kestrel
