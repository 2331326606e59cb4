#include "avi/ChunkStream.h"

#include "job/StatusCode.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace kestrel {

ChunkStream::~ChunkStream()
{
    if (file_)
        std::fclose(file_);
}

void ChunkStream::Open(const std::string& path, bool forWriting, uint32_t capacity, ConversionStatus& status)
{
    status_ = &status;
    writing_ = forWriting;
    capacity_ = capacity;
    count_ = cursor_ = 0;
    flushed_ = fileSize_ = 0;
    buffer_.reset(new (std::nothrow) uint8_t[capacity]);
    file_ = std::fopen(path.c_str(), forWriting ? "wb" : "rb");
    if (!file_)
        return;
    if (!buffer_) {
        std::fclose(file_);
        file_ = nullptr;
        return;
    }
    // The stream does its own buffering; the C library's would only copy twice.
    std::setvbuf(file_, nullptr, _IONBF, 0);
    if (!forWriting && std::fseek(file_, 0, SEEK_END) == 0) {
        const long size = std::ftell(file_);
        fileSize_ = size > 0 ? static_cast<uint64_t>(size) : 0;
        std::fseek(file_, 0, SEEK_SET);
    }
}

uint32_t ChunkStream::FailRead()
{
    status_->Record(status::kReadError);
    return kStreamFailure;
}

uint32_t ChunkStream::FailWrite()
{
    status_->Record(status::kWriteError);
    return kStreamFailure;
}

uint64_t ChunkStream::Position() const
{
    return flushed_ + (writing_ ? count_ : cursor_);
}

uint32_t ChunkStream::Read(void* destination, uint32_t length)
{
    if (!file_ || writing_ || length == kStreamFailure)
        return FailRead();
    auto* out = static_cast<uint8_t*>(destination);
    uint32_t available = count_ - cursor_;
    if (length <= available) {
        std::memcpy(out, buffer_.get() + cursor_, length);
        cursor_ += length;
        return length;
    }

    if (length > capacity_) {
        // Larger than the whole buffer: hand out what is buffered, read the rest straight.
        std::memcpy(out, buffer_.get() + cursor_, available);
        const size_t rest = length - available;
        const size_t got = std::fread(out + available, 1, rest, file_);
        flushed_ += count_ + got;
        count_ = cursor_ = 0;
        return got == rest ? length : FailRead();
    }

    if (length > capacity_ - count_) {
        // Not enough room behind the valid bytes: move the unread ones to the front.
        std::memmove(buffer_.get(), buffer_.get() + cursor_, available);
        flushed_ += cursor_;
        count_ = available;
        cursor_ = 0;
    }
    count_ += static_cast<uint32_t>(std::fread(buffer_.get() + count_, 1, capacity_ - count_, file_));
    available = count_ - cursor_;
    if (length > available)
        return FailRead();  // the bytes obtained stay buffered
    std::memcpy(out, buffer_.get() + cursor_, length);
    cursor_ += length;
    return length;
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

uint32_t ChunkStream::Write(const void* source, uint32_t length)
{
    if (!file_ || !writing_ || length == kStreamFailure)
        return FailWrite();
    if (length > capacity_ - count_ && !Flush())
        return FailWrite();  // the pending bytes stay buffered
    if (length > capacity_) {
        // Larger than the whole buffer: straight to the file.
        if (std::fwrite(source, 1, length, file_) != length)
            return FailWrite();
        flushed_ += length;
        return length;
    }
    std::memcpy(buffer_.get() + count_, source, length);
    count_ += length;
    cursor_ = count_;
    return length;
}

bool ChunkStream::PeekAt(uint64_t offset, void* destination, uint32_t length)
{
    if (!file_ || writing_ || offset > fileSize_ || length > fileSize_ - offset)
        return false;
    const long resume = std::ftell(file_);
    bool ok = std::fseek(file_, static_cast<long>(offset), SEEK_SET) == 0 &&
              std::fread(destination, 1, length, file_) == length;
    ok = std::fseek(file_, resume, SEEK_SET) == 0 && ok;
    return ok;
}

bool ChunkStream::WriteAt(uint64_t offset, const void* source, uint32_t length)
{
    if (!file_ || !writing_ || offset + length > Position()) {
        FailWrite();
        return false;
    }
    const auto* in = static_cast<const uint8_t*>(source);
    if (offset < flushed_) {
        // The leading bytes have reached the file already: patch them there.
        const uint32_t inFile = static_cast<uint32_t>(std::min<uint64_t>(length, flushed_ - offset));
        const long resume = std::ftell(file_);
        bool ok = resume >= 0 && std::fseek(file_, static_cast<long>(offset), SEEK_SET) == 0 &&
                  std::fwrite(in, 1, inFile, file_) == inFile;
        ok = std::fseek(file_, resume, SEEK_SET) == 0 && ok;
        if (!ok) {
            FailWrite();
            return false;
        }
        in += inFile;
        offset += inFile;
        length -= inFile;
    }
    std::memcpy(buffer_.get() + (offset - flushed_), in, length);
    return true;
}

bool ChunkStream::Close()
{
    bool ok = true;
    if (file_) {
        if (writing_ && !Flush())
            ok = false;
        if (std::fclose(file_) != 0 && writing_)
            ok = false;
        file_ = nullptr;
    }
    buffer_.reset();
    return ok;
}

}  // namespace kestrel
