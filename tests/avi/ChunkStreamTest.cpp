#include "avi/ChunkStream.h"
#include "avi/SpillBuffer.h"
#include "base/StatusCode.h"
#include "support/ConversionRunner.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <numeric>

namespace kestrel::test {
namespace {

Bytes Counting(size_t n)
{
    Bytes bytes(n);
    std::iota(bytes.begin(), bytes.end(), uint8_t(0));
    return bytes;
}

class ChunkStreamTest : public ::testing::Test {
protected:
    TempDir dir;

    std::string File(const Bytes& bytes)
    {
        const auto path = (dir / "data.bin").string();
        WriteFile(path, bytes);
        return path;
    }
};

TEST_F(ChunkStreamTest, ReadsAcrossBufferRefillsInOrder)
{
    // Capacity 16: reads of 5 append behind the valid bytes, then compact.
    const Bytes data = Counting(100);
    ChunkStream stream;
    stream.Open(File(data), ChunkStream::Mode::Read, 16);
    ASSERT_TRUE(stream.IsOpen());
    Bytes got;
    for (uint32_t n : {5u, 5u, 5u, 12u, 16u, 1u, 40u, 16u}) {
        Bytes piece(n);
        ASSERT_TRUE(stream.Read(piece.data(), n));
        got.insert(got.end(), piece.begin(), piece.end());
        EXPECT_EQ(stream.Position(), got.size());
    }
    EXPECT_EQ(got, data);
    EXPECT_EQ(stream.Remaining(), 0u);
}

TEST_F(ChunkStreamTest, ReadPastTheEndFailsWithReadError)
{
    ChunkStream stream;
    stream.Open(File(Counting(10)), ChunkStream::Mode::Read, 64);
    Bytes piece(11);
    EXPECT_FALSE(stream.Read(piece.data(), 11));
    EXPECT_EQ(stream.Result().failure().code, status::kReadError);
    // The first error sticks: a read that would fit fails too.
    EXPECT_FALSE(stream.Read(piece.data(), 1));
}

TEST_F(ChunkStreamTest, PeekLeavesTheReadPositionAlone)
{
    ChunkStream stream;
    stream.Open(File(Counting(50)), ChunkStream::Mode::Read, 8);
    uint8_t first[3];
    ASSERT_TRUE(stream.Read(first, 3));
    uint8_t peeked[4];
    ASSERT_TRUE(stream.PeekAt(40, peeked, 4));
    EXPECT_EQ(peeked[0], 40);
    EXPECT_FALSE(stream.PeekAt(48, peeked, 4));
    uint8_t next[10];
    ASSERT_TRUE(stream.Read(next, 10));
    EXPECT_EQ(next[0], 3);
    EXPECT_EQ(next[9], 12);
}

TEST_F(ChunkStreamTest, WritesLargerThanTheBufferAndPatchesOnBothSidesOfAFlush)
{
    const auto path = (dir / "out.bin").string();
    const Bytes data = Counting(200);
    ChunkStream stream;
    stream.Open(path, ChunkStream::Mode::Write, 16);
    ASSERT_TRUE(stream.Write(data.data(), 10));
    ASSERT_TRUE(stream.Write(data.data() + 10, 100));  // larger than the buffer
    ASSERT_TRUE(stream.Write(data.data() + 110, 90));
    EXPECT_EQ(stream.Position(), 200u);

    const uint8_t patch[4] = {0xA0, 0xA1, 0xA2, 0xA3};
    ASSERT_TRUE(stream.WriteAt(2, patch, 4));    // long flushed
    ASSERT_TRUE(stream.WriteAt(196, patch, 4));  // still buffered
    EXPECT_EQ(stream.Position(), 200u);
    const uint8_t tail = 0xEE;
    ASSERT_TRUE(stream.Write(&tail, 1));
    ASSERT_TRUE(stream.Close());

    Bytes expected = data;
    std::copy(patch, patch + 4, expected.begin() + 2);
    std::copy(patch, patch + 4, expected.begin() + 196);
    expected.push_back(0xEE);
    EXPECT_EQ(ReadFile(path), expected);
}

TEST_F(ChunkStreamTest, PatchBeyondWhatWasWrittenIsRefused)
{
    ChunkStream stream;
    stream.Open((dir / "out.bin").string(), ChunkStream::Mode::Write, 16);
    const uint8_t patch[4] = {};
    ASSERT_TRUE(stream.Write(patch, 2));
    EXPECT_FALSE(stream.WriteAt(0, patch, 4));
    EXPECT_EQ(stream.Result().failure().code, status::kWriteError);
}

TEST_F(ChunkStreamTest, FailedFinalFlushIsReported)
{
    ChunkStream stream;
    stream.Open("/dev/full", ChunkStream::Mode::Write, 64);
    ASSERT_TRUE(stream.IsOpen());
    const Bytes data = Counting(10);
    ASSERT_TRUE(stream.Write(data.data(), 10));
    EXPECT_FALSE(stream.Close());
}

TEST_F(ChunkStreamTest, FailedFlushDuringWriteRecordsWriteError)
{
    ChunkStream stream;
    stream.Open("/dev/full", ChunkStream::Mode::Write, 8);
    const Bytes data = Counting(10);
    ASSERT_TRUE(stream.Write(data.data(), 6));
    EXPECT_FALSE(stream.Write(data.data(), 6));
    EXPECT_EQ(stream.Result().failure().code, status::kWriteError);
    EXPECT_EQ(stream.Result().failure().systemError, ENOSPC);
}

// Index entries beyond the memory limit wait in an unnamed file in the
// output's folder and come back in order, the ones still in memory last.
TEST_F(ChunkStreamTest, SpilledBytesComeBackInOrderWithFlatMemory)
{
    SpillBuffer spill(dir.path().string(), 64);
    const Bytes all = Counting(24 * 100);
    for (size_t at = 0; at < all.size(); at += 24)
        ASSERT_TRUE(spill.Append(all.data() + at, 24));
    EXPECT_LE(spill.MemoryHeld(), 128u);
    EXPECT_EQ(spill.Size(), all.size());

    ChunkStream out;
    const auto path = (dir / "out.bin").string();
    ASSERT_TRUE(out.Open(path, ChunkStream::Mode::Write, 16));
    ASSERT_TRUE(spill.MoveTo(out));
    EXPECT_TRUE(spill.Empty());
    ASSERT_TRUE(out.Close());
    EXPECT_EQ(ReadFile(path), all);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1) << "the spill file has no name";
}

}  // namespace
}  // namespace kestrel::test
