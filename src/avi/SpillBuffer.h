#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

namespace kestrel {

class ChunkStream;

// Bytes appended in order and written out once, in order: the entries of an
// index the writer can only write at the end of a 'movi' list. Up to
// `memoryLimit` bytes stay in memory; beyond that they go to an unnamed
// temporary file in `folder` (the output's, which has room for the index
// anyway), so that memory stays flat however many chunks a file has.
class SpillBuffer {
public:
    static constexpr size_t kDefaultMemoryLimit = size_t{1} << 20;

    explicit SpillBuffer(std::string folder = {}, size_t memoryLimit = kDefaultMemoryLimit)
        : folder_(std::move(folder)), memoryLimit_(memoryLimit)
    {
    }
    ~SpillBuffer();
    SpillBuffer(SpillBuffer&& other) noexcept;
    SpillBuffer& operator=(SpillBuffer&&) = delete;
    SpillBuffer(const SpillBuffer&) = delete;
    SpillBuffer& operator=(const SpillBuffer&) = delete;

    // Where the temporary file goes, unless it exists already.
    void SetFolder(std::string folder) { folder_ = std::move(folder); }

    // False when the temporary file could not be created or written (errno
    // says why); the bytes are then lost and the buffer stays failed.
    bool Append(const uint8_t* bytes, size_t length);
    uint64_t Size() const { return spilled_ + memory_.size(); }
    bool Empty() const { return Size() == 0; }
    bool Failed() const { return failed_; }
    size_t MemoryHeld() const { return memory_.capacity(); }

    // Writes every byte to `out` in order and empties the buffer; false when
    // a read or a write failed.
    bool MoveTo(ChunkStream& out);

private:
    bool Spill();
    void CloseFile();

    std::string folder_;
    size_t memoryLimit_;
    std::vector<uint8_t> memory_;
    std::FILE* file_ = nullptr;
    uint64_t spilled_ = 0;
    bool failed_ = false;
};

}  // namespace kestrel
