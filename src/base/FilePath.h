#pragma once

#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

namespace kestrel {

// Paths travel through Kestrel as UTF-8 strings, on every platform. These
// hand them to the file system: on Linux byte for byte, on Windows as the
// wide (UTF-16) names its file functions take, never through the ANSI code
// page, which cannot spell most names.
inline std::filesystem::path PathFromUtf8(std::string_view utf8)
{
    return std::filesystem::path(std::u8string_view(reinterpret_cast<const char8_t*>(utf8.data()), utf8.size()));
}

inline std::string Utf8FromPath(const std::filesystem::path& path)
{
    const std::u8string utf8 = path.u8string();
    return std::string(utf8.begin(), utf8.end());
}

// Where the folder part of `path` ends: its last separator ('/', and on
// Windows '\\' too), or npos for a bare name.
inline size_t LastSeparator(std::string_view path)
{
#ifdef _WIN32
    return path.find_last_of("/\\");
#else
    return path.find_last_of('/');
#endif
}

// std::fopen for a UTF-8 path (_wfopen on Windows); errno says why on failure.
std::FILE* OpenFile(const std::string& utf8Path, const char* mode);

}  // namespace kestrel
