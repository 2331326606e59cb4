// The frame scan ahead of the walker, and the pipeline's hand-over of
// finished frames in file order.

#include "avi/FramePipeline.h"
#include "avi/ChunkStream.h"
#include "avi/FrameScan.h"
#include "support/ConversionRunner.h"
#include "support/RiffBuilder.h"
#include "support/TestJpeg.h"

#include <gtest/gtest.h>

namespace kestrel::test {
namespace {

// A 'movi' list assembled chunk by chunk, remembering where each lands in
// the file when the list's children start at `childrenStart`.
struct MoviBuilder {
    uint64_t childrenStart;
    Bytes children;

    uint64_t Add(const Bytes& chunk)
    {
        const uint64_t offset = childrenStart + children.size();
        children.insert(children.end(), chunk.begin(), chunk.end());
        return offset;
    }
    Bytes List() const { return Chunk("LIST", Cat({{'m', 'o', 'v', 'i'}, children})); }
    uint64_t End() const { return childrenStart + children.size(); }
};

// The file: RIFF header, a JUNK chunk of 20 bytes, then the 'movi' list.
constexpr uint64_t kMoviChildren = 12 + 28 + 12;

Bytes FileWith(const MoviBuilder& movi) { return Riff("AVI ", {Chunk("JUNK", Bytes(20)), movi.List()}); }

TEST(FrameScan, ListsFramesInFileOrderAndStopsAtAnOverrun)
{
    const Bytes frame = {1, 2, 3, 4, 5};
    MoviBuilder movi{kMoviChildren, {}};
    std::vector<FrameSpan> expected;
    expected.push_back({movi.Add(Chunk("00dc", frame)), 5});
    movi.Add(Chunk("01wb", Bytes(9)));
    movi.Add(Chunk("JUNK", Bytes(4)));
    // A 'rec ' list: its frames, "db" of the video stream included.
    const uint64_t rec =
        movi.Add(List("rec ", {Chunk("00dc", Bytes(6)), Chunk("01wb", Bytes(3)), Chunk("00db", frame)}));
    expected.push_back({rec + 12, 6});
    expected.push_back({rec + 12 + 14 + 12, 5});
    movi.Add(Chunk("01db", frame));                  // "db" of another stream: not a frame
    movi.Add(Chunk("00dc", {}));                     // empty: nothing to transcode
    movi.Add(List("strl", {Chunk("00dc", frame)}));  // not a list that holds frames
    expected.push_back({movi.Add(Chunk("02dc", Bytes(2))), 2});
    movi.Add(ChunkWithSize("00dc", 1000, frame));  // runs past the list: the scan ends
    movi.Add(Chunk("00dc", frame));

    TempDir dir;
    WriteFile(dir / "in.avi", FileWith(movi));
    ChunkStream source;
    ASSERT_TRUE(source.Open((dir / "in.avi").string(), ChunkStream::Mode::Read, 64));
    FrameScanner scanner(source, kMoviChildren, movi.End(), 0);
    for (const FrameSpan& want : expected) {
        const std::optional<FrameSpan> got = scanner.Next();
        ASSERT_TRUE(got.has_value());
        EXPECT_EQ(got->offset, want.offset);
        EXPECT_EQ(got->size, want.size);
    }
    EXPECT_FALSE(scanner.Next().has_value());
    EXPECT_FALSE(scanner.Next().has_value());
}

// What the walker's own workspace makes of a payload.
Bytes TranscodedHere(const Bytes& payload, const FrameFormat& format)
{
    FrameWorkspace workspace;
    std::copy(payload.begin(), payload.end(), workspace.PayloadBuffer(static_cast<uint32_t>(payload.size()), format));
    const mjpeg::TranscodeResult result = workspace.Transcode(static_cast<uint32_t>(payload.size()), format);
    EXPECT_EQ(result.error, mjpeg::TranscodeError::None);
    return Bytes(workspace.Output(), workspace.Output() + result.length);
}

TEST(FramePipeline, HandsOverFramesInOrderAndLeavesOthersToTheWalker)
{
    const FrameFormat format{40, 24, RotationMode::Clockwise90, {}};
    std::vector<Bytes> payloads;
    std::vector<uint64_t> offsets;
    MoviBuilder movi{kMoviChildren, {}};
    uint64_t audio = 0;
    for (uint32_t i = 0; i < 12; ++i) {
        payloads.push_back(EncodeTestJpeg(NoisePicture(40, 24, i + 1)));
        offsets.push_back(movi.Add(Chunk("00dc", payloads.back())));
        const uint64_t at = movi.Add(Chunk("01wb", Bytes(10)));
        if (i == 4)
            audio = at;
    }
    TempDir dir;
    WriteFile(dir / "in.avi", FileWith(movi));
    const auto size = [&](size_t i) { return static_cast<uint32_t>(payloads[i].size()); };

    for (int32_t workers : {2, 5}) {
        std::unique_ptr<FramePipeline> pipeline =
            FramePipeline::Start((dir / "in.avi").string(), kMoviChildren, movi.End(), 0, format, workers);
        ASSERT_NE(pipeline, nullptr);
        for (size_t i = 0; i < 4; ++i) {
            const FramePipeline::Frame* frame = pipeline->Take(offsets[i], size(i), format);
            ASSERT_NE(frame, nullptr) << i;
            EXPECT_EQ(frame->result.error, mjpeg::TranscodeError::None);
            EXPECT_TRUE(frame->data == TranscodedHere(payloads[i], format)) << i;
            pipeline->Release();
        }
        // A chunk the scan did not list, another format, a wrong size: the
        // walker's own work, and the pipeline goes on after them.
        EXPECT_EQ(pipeline->Take(audio, 10, format), nullptr);
        EXPECT_EQ(pipeline->Take(offsets[4], size(4), {24, 40, format.mode, {}}), nullptr);
        EXPECT_EQ(pipeline->Take(offsets[5], size(5) + 1, format), nullptr);
        // Frame 6 is skipped; 7 follows without a Release in between.
        const FramePipeline::Frame* seventh = pipeline->Take(offsets[7], size(7), format);
        ASSERT_NE(seventh, nullptr);
        EXPECT_TRUE(seventh->data == TranscodedHere(payloads[7], format));
        const FramePipeline::Frame* eighth = pipeline->Take(offsets[8], size(8), format);
        ASSERT_NE(eighth, nullptr);
        EXPECT_TRUE(eighth->data == TranscodedHere(payloads[8], format));
        // Destroyed with frames in flight: the workers stop and are joined.
    }

    // One thread gains nothing: the walker transcodes.
    EXPECT_EQ(FramePipeline::Start((dir / "in.avi").string(), kMoviChildren, movi.End(), 0, format, 1), nullptr);
}

}  // namespace
}  // namespace kestrel::test
