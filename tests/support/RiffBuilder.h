#pragma once

// Builds small AVI files in memory for the tests, and reads converted ones
// back into a chunk tree.

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace kestrel::test {

using Bytes = std::vector<uint8_t>;

void PutLe16(Bytes& out, uint16_t value);
void PutLe32(Bytes& out, uint32_t value);
uint32_t GetLe32(const Bytes& in, size_t offset);
uint16_t GetLe16(const Bytes& in, size_t offset);
Bytes Cat(std::initializer_list<Bytes> parts);

// A chunk: FOURCC, size, data and a pad byte when the size is odd.
Bytes Chunk(std::string_view fourcc, const Bytes& data);
// A chunk whose size field says `declaredSize`, whatever the data holds.
Bytes ChunkWithSize(std::string_view fourcc, uint32_t declaredSize, const Bytes& data);
Bytes List(std::string_view listType, std::initializer_list<Bytes> children);
Bytes Riff(std::string_view formType, std::initializer_list<Bytes> children);

struct MainHeaderFields {
    uint32_t microSecPerFrame = 40000;
    uint32_t flags = 0;
    uint32_t totalFrames = 0;
    uint32_t streams = 1;
    uint32_t suggestedBufferSize = 12345;
    uint32_t width = 64;
    uint32_t height = 48;
};
Bytes MainHeader(const MainHeaderFields& fields);  // avih chunk, 56 bytes

struct StreamHeaderFields {
    std::string type = "vids";
    std::string handler = "MJPG";
    uint32_t rate = 25;
    uint32_t length = 0;
    uint16_t right = 64;
    uint16_t bottom = 48;
};
Bytes StreamHeader(const StreamHeaderFields& fields);  // strh chunk, 56 bytes

struct VideoFormatFields {
    int32_t width = 64;
    int32_t height = 48;
    uint16_t bitCount = 24;
    std::string compression = "MJPG";
};
Bytes VideoFormat(const VideoFormatFields& fields);  // strf chunk, 40 bytes
Bytes AudioFormat();                                 // strf chunk, PCM 8 kHz mono 16-bit

void WriteFile(const std::filesystem::path& path, const Bytes& bytes);
Bytes ReadFile(const std::filesystem::path& path);

// One chunk of a parsed file. For RIFF and LIST, listType is set and the
// children are parsed; otherwise data holds the payload (without pad).
struct ChunkNode {
    std::string id;
    std::string listType;
    uint32_t size = 0;
    uint64_t offset = 0;  // file offset of the FOURCC
    Bytes data;
    std::vector<ChunkNode> children;

    const ChunkNode* Find(std::string_view id, std::string_view listType = {}) const;  // depth first
};

// Parses the whole file. Fails the running test (and returns what it got)
// when a size runs past its parent or the file, or a RIFF/LIST size does not
// match its children exactly.
ChunkNode ParseRiffFile(const Bytes& file);
// Parses every top-level chunk of a file of several RIFF chunks, with the
// same checks.
std::vector<ChunkNode> ParseRiffChunks(const Bytes& file);

// The tree as one line per chunk, e.g. "RIFF AVI  / LIST hdrl / avih 56".
std::string DumpTree(const ChunkNode& root);

}  // namespace kestrel::test
