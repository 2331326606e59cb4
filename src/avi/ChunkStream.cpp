#include "avi/ChunkStream.h"

#include "base/FilePath.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>

namespace kestrel {
namespace {

// 64-bit file offsets on every platform.
bool SeekTo(std::FILE* file, uint64_t offset)
{
#ifdef _WIN32
    return _fseeki64(file, static_cast<__int64>(offset), SEEK_SET) == 0;
#else
    return fseeko(file, static_cast<off_t>(offset), SEEK_SET) == 0;
#endif
}

bool SeekToEnd(std::FILE* file)
{
#ifdef _WIN32
    return _fseeki64(file, 0, SEEK_END) == 0;
#else
    return fseeko(file, 0, SEEK_END) == 0;
#endif
}

int64_t Tell(std::FILE* file)
{
#ifdef _WIN32
    return _ftelli64(file);
#else
    return static_cast<int64_t>(ftello(file));
#endif
}

// The first buffer of a file being written, and the smallest of one read.
constexpr uint32_t kFirstWriteBuffer = 64u * 1024;
constexpr uint32_t kSmallestBuffer = 4096;

}  // namespace

ChunkStream::~ChunkStream()
{
    if (file_)
        std::fclose(file_);
}

bool ChunkStream::Open(const std::string& path, Mode mode, uint32_t capacity)
{
    const bool forWriting = mode != Mode::Read;
    writing_ = forWriting;
    maxCapacity_ = capacity;
    count_ = cursor_ = 0;
    flushed_ = fileSize_ = 0;
    failure_ = {};
    buffer_.reset();
    capacity_ = 0;
    // "x" (C11): fail when the file exists instead of replacing it.
    file_ = OpenFile(path, mode == Mode::Read ? "rb" : mode == Mode::Write ? "wb" : "wbx");
    if (!file_)
        return false;
    // The stream does its own buffering; the C library's would only copy twice.
    std::setvbuf(file_, nullptr, _IONBF, 0);
    if (!forWriting && SeekToEnd(file_)) {
        const int64_t size = Tell(file_);
        fileSize_ = size > 0 ? static_cast<uint64_t>(size) : 0;
        SeekTo(file_, 0);
    }
    const uint64_t first = forWriting ? kFirstWriteBuffer : std::max<uint64_t>(fileSize_, kSmallestBuffer);
    if (!Reserve(static_cast<uint32_t>(std::min<uint64_t>(first, maxCapacity_)))) {
        std::fclose(file_);
        file_ = nullptr;
        errno = ENOMEM;
        return false;
    }
    return true;
}

bool ChunkStream::Reserve(uint32_t needed)
{
    if (needed <= capacity_)
        return true;
    const uint32_t grown = std::min(maxCapacity_, std::max(needed, capacity_ * 2));
    std::unique_ptr<uint8_t[]> buffer(new (std::nothrow) uint8_t[grown]);
    if (!buffer)
        return false;
    if (count_ > 0)
        std::memcpy(buffer.get(), buffer_.get(), count_);
    buffer_ = std::move(buffer);
    capacity_ = grown;
    return true;
}

bool ChunkStream::Fail()
{
    if (Good()) {
        failure_.code = writing_ ? status::kWriteError : status::kReadError;
        failure_.systemError = errno;
    }
    return false;
}

uint64_t ChunkStream::Position() const { return flushed_ + (writing_ ? count_ : cursor_); }

bool ChunkStream::Read(void* destination, uint32_t length)
{
    if (!Good() || !file_ || writing_)
        return Fail();
    auto* out = static_cast<uint8_t*>(destination);
    uint32_t available = count_ - cursor_;
    if (length <= available) {
        std::memcpy(out, buffer_.get() + cursor_, length);
        cursor_ += length;
        return true;
    }

    if (length > capacity_) {
        // Larger than the whole buffer: hand out what is buffered, read the rest straight.
        std::memcpy(out, buffer_.get() + cursor_, available);
        const size_t rest = length - available;
        errno = 0;
        const size_t got = std::fread(out + available, 1, rest, file_);
        flushed_ += count_ + got;
        count_ = cursor_ = 0;
        return got == rest || Fail();
    }

    if (length > capacity_ - count_) {
        // Not enough room behind the valid bytes: move the unread ones to the front.
        std::memmove(buffer_.get(), buffer_.get() + cursor_, available);
        flushed_ += cursor_;
        count_ = available;
        cursor_ = 0;
    }
    errno = 0;
    count_ += static_cast<uint32_t>(std::fread(buffer_.get() + count_, 1, capacity_ - count_, file_));
    available = count_ - cursor_;
    if (length > available)
        return Fail();  // the bytes obtained stay buffered
    std::memcpy(out, buffer_.get() + cursor_, length);
    cursor_ += length;
    return true;
}

bool ChunkStream::Skip(uint64_t length)
{
    if (!Good() || !file_ || writing_)
        return Fail();
    if (length <= count_ - cursor_) {
        cursor_ += static_cast<uint32_t>(length);
        return true;
    }
    const uint64_t target = Position() + length;
    if (target > fileSize_) {
        errno = 0;
        return Fail();
    }
    if (!SeekTo(file_, target))
        return Fail();
    flushed_ = target;
    count_ = cursor_ = 0;
    return true;
}

bool ChunkStream::Flush()
{
    if (count_ == 0)
        return true;
    if (std::fwrite(buffer_.get(), 1, count_, file_) != count_)
        return false;
    flushed_ += count_;
    count_ = cursor_ = 0;
    return true;
}

bool ChunkStream::Write(const void* source, uint32_t length)
{
    if (!Good() || !file_ || !writing_)
        return Fail();
    // A growing file gets a growing buffer, up to the largest.
    if (length > capacity_ - count_ && capacity_ < maxCapacity_ &&
        !Reserve(static_cast<uint32_t>(std::min<uint64_t>(uint64_t(count_) + length, maxCapacity_)))) {
        errno = ENOMEM;
        return Fail();
    }
    if (length > capacity_ - count_ && !Flush())
        return Fail();  // the pending bytes stay buffered
    if (length > capacity_) {
        // Larger than the whole buffer: straight to the file.
        if (std::fwrite(source, 1, length, file_) != length)
            return Fail();
        flushed_ += length;
        return true;
    }
    std::memcpy(buffer_.get() + count_, source, length);
    count_ += length;
    cursor_ = count_;
    return true;
}

bool ChunkStream::PeekAt(uint64_t offset, void* destination, uint32_t length)
{
    if (!Good() || !file_ || writing_ || offset > fileSize_ || length > fileSize_ - offset)
        return false;
    // Within the file's size, a short read is an error (or a file cut
    // while it is read), never its end.
    errno = 0;
    const int64_t resume = Tell(file_);
    const bool ok = resume >= 0 && SeekTo(file_, offset) && std::fread(destination, 1, length, file_) == length;
    if (resume < 0 || !SeekTo(file_, static_cast<uint64_t>(resume)) || !ok)
        return Fail();
    return true;
}

bool ChunkStream::WriteAt(uint64_t offset, const void* source, uint32_t length)
{
    if (!Good() || !file_ || !writing_ || offset + length > Position()) {
        errno = EINVAL;
        return Fail();
    }
    const auto* in = static_cast<const uint8_t*>(source);
    if (offset < flushed_) {
        // The leading bytes have reached the file already: patch them there.
        const uint32_t inFile = static_cast<uint32_t>(std::min<uint64_t>(length, flushed_ - offset));
        const int64_t resume = Tell(file_);
        bool ok = resume >= 0 && SeekTo(file_, offset) && std::fwrite(in, 1, inFile, file_) == inFile;
        ok = resume >= 0 && SeekTo(file_, static_cast<uint64_t>(resume)) && ok;
        if (!ok)
            return Fail();
        in += inFile;
        offset += inFile;
        length -= inFile;
        if (length == 0)
            return true;
    }
    std::memcpy(buffer_.get() + (offset - flushed_), in, length);
    return true;
}

bool ChunkStream::Close()
{
    bool ok = true;
    if (file_) {
        if (writing_ && Good() && !Flush())
            ok = Fail();
        if (std::fclose(file_) != 0 && writing_)
            ok = Fail();
        file_ = nullptr;
    }
    buffer_.reset();
    return ok && Good();
}

}  // namespace kestrel
