#pragma once

#include "base/Failure.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

namespace kestrel {

// One file of a conversion, read strictly front to back or written strictly
// front to back through one large buffer, plus WriteAt to patch bytes written
// earlier (size fields of enclosing chunks). Offsets are 64-bit.
//
// The stream remembers its first error: after a failed Read, Write or
// WriteAt every later one fails at once, and Result() tells what went wrong
// (status 3 or 4, with the system's error number).
class ChunkStream {
public:
    ChunkStream() = default;
    ~ChunkStream();
    ChunkStream(const ChunkStream&) = delete;
    ChunkStream& operator=(const ChunkStream&) = delete;

    // How Open treats the file: read it, or write it, replacing what was
    // there or only when no file of that name exists yet.
    enum class Mode { Read, Write, CreateNew };

    // Opens `path` with a buffer of at most `capacity` bytes; false when it
    // can't, with errno as the system left it. The buffer is sized to need:
    // a file being read no larger than itself, a file being written small
    // at first and doubling as the writes come, up to `capacity`.
    bool Open(const std::string& path, Mode mode, uint32_t capacity);
    bool IsOpen() const { return file_ != nullptr; }

    bool Read(void* destination, uint32_t length);
    // Reading: moves the read position `length` bytes on without handing
    // them out; a failure like Read's when the file ends before.
    bool Skip(uint64_t length);
    bool Write(const void* source, uint32_t length);

    // Writing: the file offset at which the next written byte lands.
    // Reading: the file offset of the next byte Read hands out.
    uint64_t Position() const;

    // Reading: the file's size, and the bytes of it not yet handed out.
    uint64_t Size() const { return fileSize_; }
    uint64_t Remaining() const { return fileSize_ - Position(); }

    // Reading: copies `length` bytes at `offset` without moving the read
    // position; false when they are not all there. Not an error of the stream.
    bool PeekAt(uint64_t offset, void* destination, uint32_t length);

    // Writing: overwrites `length` bytes written earlier at `offset`.
    bool WriteAt(uint64_t offset, const void* source, uint32_t length);

    // Writes out pending bytes and closes the file; false when that failed.
    bool Close();

    bool Good() const { return failure_.code == status::kNone; }
    // Ok, or the stream's first failure.
    Status Result() const { return Good() ? Status() : Status(failure_); }

private:
    bool Flush();
    bool Fail();

    std::FILE* file_ = nullptr;
    bool writing_ = false;
    Failure failure_;
    std::unique_ptr<uint8_t[]> buffer_;
    bool Reserve(uint32_t needed);

    uint32_t capacity_ = 0;
    uint32_t maxCapacity_ = 0;
    uint32_t count_ = 0;    // reading: valid bytes in the buffer; writing: pending bytes
    uint32_t cursor_ = 0;   // reading: next byte to hand out; writing: equals count_
    uint64_t flushed_ = 0;  // file offset of the buffer's first byte
    uint64_t fileSize_ = 0;
};

}  // namespace kestrel
