#include "avi/SpillBuffer.h"

#include "avi/ChunkStream.h"

#include <algorithm>
#include <cerrno>
#include <utility>

#if defined(__linux__)
#include <fcntl.h>
#include <unistd.h>
#elif defined(_WIN32)
#include "base/FilePath.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>
#endif

namespace kestrel {
namespace {

// An unnamed file in `folder` that vanishes when it is closed, or when the
// process ends however it ends; the system's temporary folder where the
// folder can't hold one.
std::FILE* OpenScratchFile(const std::string& folder)
{
#if defined(__linux__) && defined(O_TMPFILE)
    if (!folder.empty()) {
        const int fd = open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
        if (fd >= 0) {
            if (std::FILE* file = fdopen(fd, "w+b"))
                return file;
            close(fd);
        }
    }
#elif defined(_WIN32)
    // A fresh name in the folder, deleted by the system when closed: the C
    // runtime's tmpfile would try the drive's root, which users can't write.
    wchar_t name[MAX_PATH];
    if (!folder.empty() && GetTempFileNameW(PathFromUtf8(folder).c_str(), L"kst", 0, name) != 0) {
        const HANDLE handle =
            CreateFileW(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                        FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
        if (handle != INVALID_HANDLE_VALUE) {
            const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_RDWR | _O_BINARY);
            if (fd < 0)
                CloseHandle(handle);
            else if (std::FILE* file = _fdopen(fd, "w+b"))
                return file;
            else
                _close(fd);
        }
        DeleteFileW(name);
    }
#else
    (void)folder;
#endif
    return std::tmpfile();
}

}  // namespace

SpillBuffer::~SpillBuffer() { CloseFile(); }

SpillBuffer::SpillBuffer(SpillBuffer&& other) noexcept
    : folder_(std::move(other.folder_)), memoryLimit_(other.memoryLimit_), memory_(std::move(other.memory_)),
      file_(std::exchange(other.file_, nullptr)), spilled_(std::exchange(other.spilled_, 0)), failed_(other.failed_)
{
}

void SpillBuffer::CloseFile()
{
    if (file_)
        std::fclose(file_);
    file_ = nullptr;
    spilled_ = 0;
}

bool SpillBuffer::Spill()
{
    if (!file_ && (file_ = OpenScratchFile(folder_)) == nullptr)
        return false;
    if (std::fwrite(memory_.data(), 1, memory_.size(), file_) != memory_.size())
        return false;
    spilled_ += memory_.size();
    memory_.clear();
    return true;
}

bool SpillBuffer::Append(const uint8_t* bytes, size_t length)
{
    if (failed_)
        return false;
    if (memory_.size() + length > memoryLimit_ && !memory_.empty() && !Spill()) {
        failed_ = true;
        return false;
    }
    memory_.insert(memory_.end(), bytes, bytes + length);
    return true;
}

bool SpillBuffer::MoveTo(ChunkStream& out)
{
    if (failed_)
        return false;
    bool ok = true;
    if (file_) {
        ok = std::fflush(file_) == 0 && std::fseek(file_, 0, SEEK_SET) == 0;
        std::vector<uint8_t> piece(std::min<uint64_t>(spilled_, memoryLimit_));
        for (uint64_t left = spilled_; ok && left > 0;) {
            const auto n = static_cast<size_t>(std::min<uint64_t>(left, piece.size()));
            ok = std::fread(piece.data(), 1, n, file_) == n && out.Write(piece.data(), static_cast<uint32_t>(n));
            left -= n;
        }
        CloseFile();
    }
    ok = ok && (memory_.empty() || out.Write(memory_.data(), static_cast<uint32_t>(memory_.size())));
    std::vector<uint8_t>().swap(memory_);
    failed_ = !ok;
    return ok;
}

}  // namespace kestrel
