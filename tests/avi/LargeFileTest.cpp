// Files past 4 GiB on every build, 32-bit ones included: the stream's size,
// reads and skips at 64-bit offsets (a sparse file, so no disk is used).

#include "avi/ChunkStream.h"
#include "support/ConversionRunner.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace kestrel::test {
namespace {

TEST(LargeFile, ReadsAtOffsetsPastFourGiB)
{
    TempDir dir;
    const std::filesystem::path path = dir / "large.avi";
    constexpr uint64_t kSize = (5ull << 30) + 16;
    std::ofstream(path, std::ios::binary).put('R');
    std::filesystem::resize_file(path, kSize);
    const struct {
        uint64_t offset;
        char byte;
    } marks[] = {{(2ull << 30) + 1, 'a'}, {(4ull << 30) + 7, 'b'}, {kSize - 1, 'c'}};
    {
        std::fstream file(path, std::ios::binary | std::ios::in | std::ios::out);
        for (const auto& mark : marks)
            file.seekp(static_cast<std::streamoff>(mark.offset)).put(mark.byte);
    }

    ChunkStream stream;
    ASSERT_TRUE(stream.Open(path.string(), ChunkStream::Mode::Read, 1u << 16)) << std::strerror(errno);
    EXPECT_EQ(stream.Size(), kSize);
    for (const auto& mark : marks) {
        char byte = 0;
        EXPECT_TRUE(stream.PeekAt(mark.offset, &byte, 1)) << mark.offset;
        EXPECT_EQ(byte, mark.byte) << mark.offset;
    }
    // Skip and read from the start, as the walker goes through a file.
    ASSERT_TRUE(stream.Skip(marks[1].offset));
    char next[2] = {};
    ASSERT_TRUE(stream.Read(next, 2));
    EXPECT_EQ(next[0], 'b');
    EXPECT_EQ(stream.Position(), marks[1].offset + 2);
    EXPECT_EQ(stream.Remaining(), kSize - marks[1].offset - 2);
}

}  // namespace
}  // namespace kestrel::test
