#pragma once

#include "job/ConversionStatus.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

namespace kestrel {

// One file of a conversion, read strictly front to back or written strictly
// front to back through one large buffer, plus WriteAt to patch bytes written
// earlier (size fields of enclosing chunks). Offsets are 64-bit.
//
// Read and Write return the length asked for, or kStreamFailure after
// recording status 3 (read) or 4 (write) in the conversion's status.
class ChunkStream {
public:
    static constexpr uint32_t kStreamFailure = 0xFFFFFFFF;

    ChunkStream() = default;
    ~ChunkStream();
    ChunkStream(const ChunkStream&) = delete;
    ChunkStream& operator=(const ChunkStream&) = delete;

    // Opens `path` ("rb" or "wb") with a buffer of `capacity` bytes. A failed
    // open leaves IsOpen() false; nothing is recorded here.
    void Open(const std::string& path, bool forWriting, uint32_t capacity, ConversionStatus& status);
    bool IsOpen() const { return file_ != nullptr; }

    uint32_t Read(void* destination, uint32_t length);
    uint32_t Write(const void* source, uint32_t length);

    // Writing: the file offset at which the next written byte lands.
    // Reading: the file offset of the next byte Read hands out.
    uint64_t Position() const;

    // Reading: bytes of the file not yet handed out.
    uint64_t Remaining() const { return fileSize_ - Position(); }

    // Reading: copies `length` bytes at `offset` without moving the read
    // position; false when they are not all there.
    bool PeekAt(uint64_t offset, void* destination, uint32_t length);

    // Writing: overwrites `length` bytes written earlier at `offset`. A failed
    // patch of bytes already in the file records status 4 and returns false.
    bool WriteAt(uint64_t offset, const void* source, uint32_t length);

    // Writes out pending bytes and closes the file; false when that failed.
    bool Close();

private:
    bool Flush();
    uint32_t FailRead();
    uint32_t FailWrite();

    std::FILE* file_ = nullptr;
    bool writing_ = false;
    ConversionStatus* status_ = nullptr;
    std::unique_ptr<uint8_t[]> buffer_;
    uint32_t capacity_ = 0;
    uint32_t count_ = 0;   // reading: valid bytes in the buffer; writing: pending bytes
    uint32_t cursor_ = 0;  // reading: next byte to hand out; writing: equals count_
    uint64_t flushed_ = 0; // file offset of the buffer's first byte
    uint64_t fileSize_ = 0;
};

}  // namespace kestrel
