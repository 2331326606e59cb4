// The coefficient path, on coefficients: which components move, that moved
// blocks are the source's moved and sign-flipped, that the quarter turns
// transpose the tables, and that turns there and back give the source back.

#include "mjpeg/CoefficientMover.h"
#include "mjpeg/LosslessRule.h"

#include "TranscodeTestSupport.h"

#include <gtest/gtest.h>

namespace kestrel::mjpeg {
namespace {

using test::Bytes;
using Block = std::array<int16_t, 64>;

struct Layout {
    const char* name;
    int lumaHorizontal, lumaVertical, chromaVertical;
};
constexpr Layout kGStreamer422{"Y 2x1 + 1x1", 2, 1, 1};
constexpr Layout kFfmpeg422{"Y 2x2 + 1x2", 2, 2, 2};
constexpr Layout k420{"Y 2x2 + 1x1", 2, 2, 1};

Bytes Source(Layout layout, int32_t width, int32_t height)
{
    test::TestJpegOptions options;
    options.lumaHorizontal = layout.lumaHorizontal;
    options.lumaVertical = layout.lumaVertical;
    options.chromaVertical = layout.chromaVertical;
    return test::EncodeTestJpeg(test::ColourPicture(width, height), options);
}

Bytes Pass(const Bytes& frame, int32_t width, int32_t height, RotationMode mode)
{
    const test::Transcoded out = test::Transcode(frame, width, height, mode);
    EXPECT_EQ(out.result.error, TranscodeError::None);
    return out.frame;
}

// Source block (r, c) of a w x h grid and its coefficient (v, u), where they
// land under `mode`, written from the picture's mapping: a block lands where
// its samples land, and a coefficient of odd frequency along a reversed
// axis changes sign.
struct Landed {
    int32_t row, column;
    size_t coefficient;
    int sign;
};
Landed Land(int32_t r, int32_t c, int32_t w, int32_t h, size_t v, size_t u, RotationMode mode)
{
    const auto [row, column] = test::Landing(r, c, w, h, mode);
    const bool swaps = SwapsDimensions(mode);
    const size_t outV = swaps ? u : v;
    const size_t outU = swaps ? v : u;
    // The output axes along which the samples run backwards.
    const bool backwardsAcross =
        mode == RotationMode::MirrorX || mode == RotationMode::Rotate180 || mode == RotationMode::Clockwise90;
    const bool backwardsDown =
        mode == RotationMode::MirrorY || mode == RotationMode::Rotate180 || mode == RotationMode::Anticlockwise90;
    const bool negated = (backwardsAcross && outU % 2 == 1) != (backwardsDown && outV % 2 == 1);
    return {row, column, outV * 8 + outU, negated ? -1 : 1};
}

// Counts the coefficients of `to` that are not those of `from` moved.
size_t Mismatches(const test::TestBlocks& from, const test::TestBlocks& to, RotationMode mode)
{
    const bool swaps = SwapsDimensions(mode);
    if (to.width != (swaps ? from.height : from.width) || to.height != (swaps ? from.width : from.height))
        return from.blocks.size() * 64;
    size_t mismatches = 0;
    for (int32_t r = 0; r < from.height; ++r)
        for (int32_t c = 0; c < from.width; ++c)
            for (size_t v = 0; v < 8; ++v)
                for (size_t u = 0; u < 8; ++u) {
                    const Landed at = Land(r, c, from.width, from.height, v, u, mode);
                    mismatches += to.At(at.row, at.column)[at.coefficient] != at.sign * from.At(r, c)[v * 8 + u];
                }
    return mismatches;
}

std::array<uint16_t, 64> Transposed(const std::array<uint16_t, 64>& table)
{
    std::array<uint16_t, 64> out{};
    for (size_t k = 0; k < 64; ++k)
        out[k % 8 * 8 + k / 8] = table[k];
    return out;
}

// Every moved component's blocks are the source's, moved and sign-flipped,
// and its table is the source's (transposed by the quarter turns). 80 x 56
// is whole blocks but not whole MCUs of a Y 2 x 2 frame; 72 x 40 is whole
// luma blocks but half a chroma block across.
TEST(CoefficientPath, MovedComponentsKeepEveryCoefficient)
{
    struct Case {
        Layout layout;
        int32_t width, height;
        RotationMode mode;
        std::array<bool, 3> moved;
    };
    const Case cases[] = {
        {kGStreamer422, 80, 56, RotationMode::MirrorX, {true, true, true}},
        {kGStreamer422, 80, 56, RotationMode::MirrorY, {true, true, true}},
        {kGStreamer422, 80, 56, RotationMode::Rotate180, {true, true, true}},
        {kFfmpeg422, 80, 56, RotationMode::MirrorX, {true, true, true}},
        {kFfmpeg422, 80, 56, RotationMode::MirrorY, {true, true, true}},
        {kFfmpeg422, 80, 56, RotationMode::Rotate180, {true, true, true}},
        {kGStreamer422, 72, 40, RotationMode::MirrorX, {true, false, false}},
        {kGStreamer422, 72, 40, RotationMode::MirrorY, {true, true, true}},
        {kGStreamer422, 80, 56, RotationMode::Clockwise90, {true, false, false}},
        {kFfmpeg422, 80, 56, RotationMode::Anticlockwise90, {true, false, false}},
        {k420, 80, 48, RotationMode::Clockwise90, {true, false, false}},
        {k420, 80, 48, RotationMode::MirrorX, {true, false, false}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.layout.name << " " << c.width << "x" << c.height << " mode "
                                        << static_cast<int>(c.mode));
        const Bytes source = Source(c.layout, c.width, c.height);
        const test::TestCoefficients from = test::ReadTestCoefficients(source);
        const test::TestCoefficients to = test::ReadTestCoefficients(Pass(source, c.width, c.height, c.mode));
        for (int ci = 0; ci < 3; ++ci) {
            if (!c.moved[ci])
                continue;
            EXPECT_EQ(Mismatches(from[ci], to[ci], c.mode), 0u) << "component " << ci;
        }
        for (int ci = 0; ci < 2; ++ci) {
            EXPECT_EQ(to[ci].table, SwapsDimensions(c.mode) ? Transposed(from[ci].table) : from[ci].table)
                << "table of component " << ci;
        }
    }
}

// Turning there and back, or mirroring twice, gives the source's
// coefficients back: every component for the mirrors and 180°, luma for a
// quarter turn and its opposite.
TEST(CoefficientPath, TransformsUndoneGiveTheSourceCoefficientsBack)
{
    struct Case {
        Layout layout;
        RotationMode there, back;
        int components;
    };
    const Case cases[] = {
        {kGStreamer422, RotationMode::MirrorX, RotationMode::MirrorX, 3},
        {kFfmpeg422, RotationMode::MirrorY, RotationMode::MirrorY, 3},
        {kFfmpeg422, RotationMode::Rotate180, RotationMode::Rotate180, 3},
        {kGStreamer422, RotationMode::Clockwise90, RotationMode::Anticlockwise90, 1},
        {kFfmpeg422, RotationMode::Anticlockwise90, RotationMode::Clockwise90, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.layout.name << " modes " << static_cast<int>(c.there) << ", "
                                        << static_cast<int>(c.back));
        const Bytes source = Source(c.layout, 96, 64);
        const bool swaps = SwapsDimensions(c.there);
        const Bytes there = Pass(source, 96, 64, c.there);
        const Bytes back = Pass(there, swaps ? 64 : 96, swaps ? 96 : 64, c.back);
        const test::TestCoefficients from = test::ReadTestCoefficients(source);
        const test::TestCoefficients to = test::ReadTestCoefficients(back);
        for (int ci = 0; ci < c.components; ++ci) {
            EXPECT_EQ(to[ci].blocks, from[ci].blocks) << "component " << ci;
            EXPECT_EQ(to[ci].table, from[ci].table) << "component " << ci;
        }
    }
}

// The codec objects' memory stays with the buffers: the second frame makes
// it one block per pool of the frame's need, later frames reuse it.
TEST(CoefficientPath, LaterFramesReuseTheCodecMemory)
{
    const Bytes source = Source(kFfmpeg422, 96, 64);
    TranscoderBuffers buffers;
    const auto held = [&] {
        EXPECT_EQ(test::Transcode(source, 96, 64, RotationMode::Clockwise90, buffers).result.error,
                  TranscodeError::None);
        return buffers.Coefficients.decoderMemory.HeldBytes() + buffers.Coefficients.encoderMemory.HeldBytes();
    };
    held();
    const size_t second = held();
    EXPECT_GT(second, 96u * 64 * 2 * 2);  // at least the source's and the turned coefficients
    EXPECT_EQ(held(), second);
    EXPECT_EQ(held(), second);
    buffers.Release();
    EXPECT_EQ(buffers.Coefficients.decoderMemory.HeldBytes() + buffers.Coefficients.encoderMemory.HeldBytes(), 0u);
}

// The rule per component at camera sizes and beside them.
TEST(LosslessRule, ComponentsMoveWhereTheirBlocksTileTheReversedAxes)
{
    const ComponentSampling gstreamerY{2, 1, 2, 1};
    const ComponentSampling gstreamerChroma{1, 1, 2, 1};
    const ComponentSampling ffmpegChroma{1, 2, 2, 2};
    const ComponentSampling chroma420{1, 1, 2, 2};
    const ComponentSampling chroma444{1, 1, 1, 1};
    struct Case {
        PictureSize size;
        ComponentSampling sampling;
        int component;
        RotationMode mode;
        bool moves;
    };
    const Case cases[] = {
        {{1280, 720}, ffmpegChroma, 2, RotationMode::Rotate180, true},
        {{1280, 720}, gstreamerChroma, 1, RotationMode::Clockwise90, false},
        {{1280, 720}, chroma420, 1, RotationMode::MirrorY, false},
        {{1280, 720}, chroma444, 1, RotationMode::MirrorX, false},
        {{1272, 720}, gstreamerY, 0, RotationMode::MirrorX, true},
        {{1272, 720}, gstreamerChroma, 1, RotationMode::MirrorX, false},
        {{1270, 718}, gstreamerY, 0, RotationMode::MirrorY, false},
        {{1270, 720}, gstreamerY, 0, RotationMode::Clockwise90, true},
        {{1280, 718}, gstreamerY, 0, RotationMode::Clockwise90, false},
        {{1280, 718}, gstreamerY, 0, RotationMode::Anticlockwise90, true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(MovesAsCoefficients(c.size, c.sampling, c.component, c.mode), c.moves)
            << c.size.width << "x" << c.size.height << " component " << c.component << " mode "
            << static_cast<int>(c.mode);
    }
}

// A table that differs from the output's (clamped 16-bit entries, or Cr on
// a table of its own) brings its coefficients to the output's steps,
// rounded to the nearest.
TEST(CoefficientMover, RequantizeRoundsToTheNearestStep)
{
    struct Case {
        int16_t value;
        uint16_t from, to;
        int16_t expected;
    };
    const Case cases[] = {{5, 10, 4, 13}, {-5, 10, 4, -13}, {7, 300, 255, 8}, {3, 0, 1, 0}, {-9, 4, 4, -9}};
    for (const Case& c : cases) {
        JBLOCK block{};
        block[9] = c.value;
        JBLOCKROW row = &block;
        QuantValues from{};
        QuantValues to{};
        from[9] = c.from;
        to[9] = c.to;
        Requantize({&row, 1, 1}, from, to);
        EXPECT_EQ(block[9], c.expected) << c.value << " from " << c.from << " to " << c.to;
    }
}

}  // namespace
}  // namespace kestrel::mjpeg
