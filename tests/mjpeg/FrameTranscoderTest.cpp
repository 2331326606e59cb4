#include "mjpeg/FrameTranscoder.h"

#include "TranscodeTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace kestrel::mjpeg {
namespace {

using test::Bytes;
using test::TestPicture;
using test::Transcode;

// One re-encode with the source's own tables (quality 85 here) costs far less
// than this; a wrong mapping or a table mix-up costs far more.
constexpr double kMinimumPsnr = 30.0;
// Per plane: what re-encoding the source's own coefficients must give, what
// two half turns must give, and what one re-quantization of moved or
// resampled blocks of ColourPicture gives at least.
constexpr double kExactPsnr = 55.0;
constexpr double kTwoPassPsnr = 50.0;
constexpr double kRequantizedPsnr = 33.0;

std::string Name(RotationMode mode) { return "mode " + std::to_string(static_cast<int>(mode)); }

TEST(FrameTranscoder, OutputDecodesToTheTransformedSourcePicture)
{
    struct Source {
        int32_t width, height, lumaVertical;
    };
    // 4:2:2 and 4:2:0 sources, one of them with partial MCUs on both edges.
    for (const Source s : {Source{96, 64, 1}, Source{75, 41, 2}}) {
        test::TestJpegOptions options;
        options.lumaVertical = s.lumaVertical;
        const Bytes source = test::EncodeTestJpeg(test::GradientPicture(s.width, s.height), options);
        const TestPicture decodedSource = test::DecodeTestJpeg(source);
        for (RotationMode mode : test::kAllModes) {
            const test::Transcoded out = Transcode(source, s.width, s.height, mode);
            ASSERT_EQ(out.result.error, TranscodeError::None) << Name(mode);
            const TestPicture decoded = test::DecodeTestJpeg(out.frame);
            const TestPicture expected = test::ReferenceTransform(decodedSource, mode);
            ASSERT_EQ(decoded.width, expected.width) << Name(mode);
            ASSERT_EQ(decoded.height, expected.height) << Name(mode);
            EXPECT_GE(test::Psnr(decoded, expected, 0), kMinimumPsnr) << "Y, " << Name(mode);
            EXPECT_GE(test::Psnr(decoded, expected, 1), kMinimumPsnr) << "Cb, " << Name(mode);
            EXPECT_GE(test::Psnr(decoded, expected, 2), kMinimumPsnr) << "Cr, " << Name(mode);
        }
    }
}

struct Layout {
    const char* name;
    int lumaHorizontal;
    int lumaVertical;
};
constexpr Layout k422{"4:2:2", 2, 1};
constexpr Layout k420{"4:2:0", 2, 2};

Bytes ColourSource(int32_t width, int32_t height, Layout layout)
{
    test::TestJpegOptions options;
    options.lumaHorizontal = layout.lumaHorizontal;
    options.lumaVertical = layout.lumaVertical;
    return test::EncodeTestJpeg(test::ColourPicture(width, height), options);
}

// Per plane against the source's planes transformed as grids and fitted to
// 4:2:2 (TranscodeTestSupport.h). A mirror or half turn of a 4:2:2 source
// whose blocks map onto blocks gives the source's coefficients back; every
// other case re-quantizes moved or resampled blocks once, which costs a few
// dB on this picture of saturated stripes but far less than a wrong mapping.
TEST(FrameTranscoder, EveryPlaneFollowsTheExactTransformOfTheSourcePlanes)
{
    struct Source {
        int32_t width, height;
        Layout layout;
    };
    for (const Source s : {Source{96, 64, k422}, Source{96, 64, k420}, Source{200, 120, k422}, Source{75, 41, k422},
                           Source{75, 41, k420}}) {
        const Bytes source = ColourSource(s.width, s.height, s.layout);
        const test::TestPlanes planes = test::DecodeTestPlanes(source);
        const bool blocksMap = s.layout.lumaVertical == 1 && s.width % 16 == 0 && s.height % 16 == 0;
        for (RotationMode mode : test::kAllModes) {
            SCOPED_TRACE(testing::Message()
                         << s.layout.name << " " << s.width << "x" << s.height << ", " << Name(mode));
            const test::Transcoded out = Transcode(source, s.width, s.height, mode);
            ASSERT_EQ(out.result.error, TranscodeError::None);
            const test::TestPlanes got = test::DecodeTestPlanes(out.frame);
            const test::TestPlanes expected = test::ExpectedPlanes(planes, mode);
            const double minimum = blocksMap && !SwapsDimensions(mode) ? kExactPsnr : kRequantizedPsnr;
            for (int ci = 0; ci < 3; ++ci) {
                EXPECT_GE(test::Psnr(got[ci], expected[ci]), minimum) << "component " << ci;
            }
        }
    }
}

// Turning a clip twice must not wear its colour away: two half turns give
// the source back, and a quarter turn there and back loses the source's
// vertical chroma detail once (its 4:2:2 chroma is halved across after the
// first turn), after which more turns there and back change nothing more
// than re-quantization noise.
TEST(FrameTranscoder, RepeatedTurnsLoseTheColourOnlyOnce)
{
    const Bytes source = ColourSource(96, 64, k422);
    const test::TestPlanes planes = test::DecodeTestPlanes(source);
    const auto pass = [](const Bytes& frame, RotationMode mode) {
        const bool upright = test::DecodeTestPlanes(frame)[0].width == 96;
        return Transcode(frame, upright ? 96 : 64, upright ? 64 : 96, mode).frame;
    };

    const test::TestPlanes halfTurns =
        test::DecodeTestPlanes(pass(pass(source, RotationMode::Rotate180), RotationMode::Rotate180));
    for (int ci = 0; ci < 3; ++ci) {
        EXPECT_GE(test::Psnr(halfTurns[ci], planes[ci]), kTwoPassPsnr) << "180 twice, component " << ci;
    }

    const Bytes there = pass(source, RotationMode::Clockwise90);
    const Bytes back = pass(there, RotationMode::Anticlockwise90);
    const Bytes thereAgain = pass(back, RotationMode::Clockwise90);
    const Bytes backAgain = pass(thereAgain, RotationMode::Anticlockwise90);
    const test::TestPlanes once = test::DecodeTestPlanes(back);
    const test::TestPlanes twice = test::DecodeTestPlanes(backAgain);
    const test::TestPlanes expected =
        test::ExpectedPlanes(test::ExpectedPlanes(planes, RotationMode::Clockwise90), RotationMode::Anticlockwise90);
    for (int ci = 0; ci < 3; ++ci) {
        EXPECT_GE(test::Psnr(once[ci], expected[ci]), kRequantizedPsnr) << "component " << ci;
        EXPECT_GE(test::Psnr(twice[ci], once[ci]), kTwoPassPsnr) << "component " << ci;
    }
}

TEST(FrameTranscoder, QuadrantColoursLandInTheRightCorners)
{
    const Bytes source = test::EncodeTestJpeg(test::QuadrantPicture(64, 48));
    const std::array<std::array<size_t, 4>, 5> from = {
        {{2, 0, 3, 1}, {3, 2, 1, 0}, {1, 3, 0, 2}, {1, 0, 3, 2}, {2, 3, 0, 1}}};
    for (RotationMode mode : test::kAllModes) {
        const test::Transcoded out = Transcode(source, 64, 48, mode);
        ASSERT_EQ(out.result.error, TranscodeError::None);
        const TestPicture picture = test::DecodeTestJpeg(out.frame);
        // Sample each quadrant away from the edges between quadrants.
        const int32_t rows[2] = {picture.height / 4, picture.height * 3 / 4};
        const int32_t columns[2] = {picture.width / 4, picture.width * 3 / 4};
        for (size_t q = 0; q < 4; ++q) {
            const uint8_t* pixel = picture.At(rows[q / 2], columns[q % 2]);
            const auto& colour = test::kQuadrantColours[from[static_cast<size_t>(mode)][q]];
            for (int c = 0; c < 3; ++c) {
                EXPECT_NEAR(pixel[c], colour[c], 4) << Name(mode) << " quadrant " << q << " component " << c;
            }
        }
    }
}

TEST(FrameTranscoder, GrowsTheOutputBufferForAFrameLargerThanIt)
{
    test::TestJpegOptions options;
    options.tables = {test::FlatTable(1), test::FlatTable(1)};
    const TestPicture noise = test::NoisePicture(32, 16);
    const Bytes source = test::EncodeTestJpeg(noise, options);

    TranscoderBuffers buffers;
    Bytes frameIn = test::FrameInFor(source);
    Bytes frameOut(32 * 16 * 3);
    const TranscodeResult result =
        TranscodeFrame(frameIn, frameOut, static_cast<uint32_t>(source.size()), 32, 16, RotationMode::MirrorX, buffers);
    ASSERT_EQ(result.error, TranscodeError::None);
    EXPECT_GT(result.length, 32u * 16 * 3);
    ASSERT_GE(frameOut.size(), result.length);
    const TestPicture decoded = test::DecodeTestJpeg(Bytes(frameOut.begin(), frameOut.begin() + result.length));
    EXPECT_GE(test::Psnr(decoded, test::ReferenceTransform(test::DecodeTestJpeg(source), RotationMode::MirrorX), 0),
              kMinimumPsnr);
}

TEST(FrameTranscoder, LaterFramesReuseTheBuffersOfTheFirst)
{
    const Bytes first = test::EncodeTestJpeg(test::GradientPicture(64, 48));
    const Bytes second = test::EncodeTestJpeg(test::QuadrantPicture(64, 48));
    TranscoderBuffers buffers;
    Bytes frameIn = test::FrameInFor(first);
    Bytes frameOut(64 * 48 * 3);
    ASSERT_EQ(TranscodeFrame(frameIn, frameOut, static_cast<uint32_t>(first.size()), 64, 48, RotationMode::Clockwise90,
                             buffers)
                  .error,
              TranscodeError::None);
    const uint8_t* luma = buffers.TransformedPlanes.planes[0].samples.data();
    const uint8_t* fitted = buffers.FittedPlanes[1].data();  // the quarter turn halves Cb across
    const uint8_t* out = frameOut.data();
    EXPECT_EQ(buffers.TransformedPlanes.planes[0].samples.size(), 48u * 64);

    std::copy(second.begin(), second.end(), frameIn.begin() + kPayloadOffset);
    ASSERT_EQ(TranscodeFrame(frameIn, frameOut, static_cast<uint32_t>(second.size()), 64, 48, RotationMode::Clockwise90,
                             buffers)
                  .error,
              TranscodeError::None);
    EXPECT_EQ(buffers.TransformedPlanes.planes[0].samples.data(), luma);
    EXPECT_EQ(buffers.FittedPlanes[1].data(), fitted);
    EXPECT_EQ(frameOut.data(), out);

    buffers.Release();
    EXPECT_EQ(buffers.TransformedPlanes.planes[0].samples.capacity(), 0u);
    EXPECT_EQ(buffers.FittedPlanes[1].capacity(), 0u);
}

TEST(FrameTranscoder, FrameEndingBeforeItsEoiComesOutWithAGreyRest)
{
    const Bytes whole = test::EncodeTestJpeg(test::QuadrantPicture(64, 64));
    const size_t sos = test::FindSegment(whole, 0xDA);
    ASSERT_LT(sos, whole.size());
    const size_t entropyStart = sos + 14;
    // Keep about a quarter of the entropy-coded data: the top rows.
    const Bytes cut(whole.begin(),
                    whole.begin() + static_cast<ptrdiff_t>(entropyStart + (whole.size() - entropyStart) / 4));

    const test::Transcoded out = Transcode(cut, 64, 64, RotationMode::MirrorY);
    ASSERT_EQ(out.result.error, TranscodeError::None);
    // The library's warning comes out with the frame; a whole frame has none.
    EXPECT_NE(out.result.warning.find("JPEG"), std::string::npos) << out.result.warning;
    EXPECT_EQ(Transcode(whole, 64, 64, RotationMode::MirrorY).result.warning, "");
    const TestPicture picture = test::DecodeTestJpeg(out.frame);
    ASSERT_EQ(picture.height, 64);
    // Mirror Y: the source's missing bottom is now at the top, in grey.
    for (int c = 0; c < 3; ++c) {
        EXPECT_NEAR(picture.At(2, 32)[c], 128, 3) << "component " << c;
    }
    // The source's top-left quadrant survived and is now bottom left.
    for (int c = 0; c < 3; ++c) {
        EXPECT_NEAR(picture.At(62, 8)[c], test::kQuadrantColours[0][c], 4) << "component " << c;
    }
}

struct DamagedCase {
    const char* name;
    Bytes payload;
    TranscodeError expected;
};

std::vector<DamagedCase> DamagedCases()
{
    const Bytes good = test::EncodeTestJpeg(test::GradientPicture(48, 32));
    std::vector<DamagedCase> cases;

    cases.push_back({"shorter than the head", Bytes(good.begin(), good.begin() + 19), TranscodeError::PayloadTooShort});
    cases.push_back({"empty", {}, TranscodeError::PayloadTooShort});
    cases.push_back({"head only", Bytes(good.begin(), good.begin() + 20), TranscodeError::Damaged});

    Bytes garbage = test::NoisePicture(40, 10, 7).pixels;
    cases.push_back({"garbage", garbage, TranscodeError::Damaged});
    std::copy(good.begin(), good.begin() + 20, garbage.begin());
    cases.push_back({"garbage behind a good head", garbage, TranscodeError::Damaged});

    // No SOI: nothing to put the standard tables behind.
    Bytes noSoi = good;
    noSoi.erase(noSoi.begin(), noSoi.begin() + 2);
    cases.push_back({"no SOI", noSoi, TranscodeError::Damaged});

    cases.push_back({"cut inside the headers", Bytes(good.begin(), good.begin() + 100), TranscodeError::Damaged});

    // An APP1 segment whose length runs far past the end of the frame.
    // Sized once: growing the vector draws a false -Warray-bounds from GCC 12 at -m32.
    Bytes longSkip(good.begin(), good.begin() + 28);
    const Bytes app1 = {0xFF, 0xE1, 0xFF, 0xF0, 1, 2, 3, 4};
    std::copy(app1.begin(), app1.end(), longSkip.begin() + 20);
    cases.push_back({"segment longer than the frame", longSkip, TranscodeError::Damaged});

    test::TestJpegOptions grey;
    TestPicture greyPicture{48, 32, 1, Bytes(48 * 32, 90)};
    cases.push_back({"greyscale", test::EncodeTestJpeg(greyPicture, grey), TranscodeError::UnexpectedPicture});

    // One field of an interlaced frame: half the height.
    cases.push_back(
        {"one field", test::EncodeTestJpeg(test::GradientPicture(48, 16)), TranscodeError::UnexpectedPicture});
    cases.push_back({"wider", test::EncodeTestJpeg(test::GradientPicture(64, 32)), TranscodeError::UnexpectedPicture});

    // Component Cb (or Cr) names quantization table 2, which the frame lacks.
    const size_t sof = test::FindSegment(good, 0xC0);
    for (size_t component : {1u, 2u}) {
        Bytes undefined = good;
        undefined[sof + 10 + component * 3 + 2] = 2;  // Tq of the component
        cases.push_back(
            {component == 1 ? "Cb table undefined" : "Cr table undefined", undefined, TranscodeError::Damaged});
    }
    return cases;
}

TEST(FrameTranscoder, DamagedFramesEndWithTheirError)
{
    for (const DamagedCase& c : DamagedCases()) {
        SCOPED_TRACE(c.name);
        TranscoderBuffers buffers;
        Bytes frameIn = test::FrameInFor(c.payload);
        const size_t untouched = kPayloadOffset + std::min<size_t>(c.payload.size(), kFrameHeadSize);
        const Bytes tail(frameIn.begin() + static_cast<ptrdiff_t>(untouched), frameIn.end());
        Bytes frameOut(48 * 32 * 3);
        const TranscodeResult result = TranscodeFrame(frameIn, frameOut, static_cast<uint32_t>(c.payload.size()), 48,
                                                      32, RotationMode::Clockwise90, buffers);
        EXPECT_EQ(result.error, c.expected);
        EXPECT_EQ(result.length, 0u);
        // Only the room in front of payload byte 20 may change.
        EXPECT_TRUE(std::equal(tail.begin(), tail.end(), frameIn.begin() + static_cast<ptrdiff_t>(untouched)));
    }
}

// Webcams write SOI straight followed by the tables, with no APP0 and no
// DHT: such a frame decodes with the standard tables and gets the encoder's
// own SOI and JFIF APP0 as its head.
TEST(FrameTranscoder, FrameWithoutAnApp0HeadGetsTheEncodersHead)
{
    const TestPicture source = test::QuadrantPicture(48, 32);
    Bytes headless = test::EncodeTestJpeg(source);
    headless.erase(headless.begin() + 2, headless.begin() + 20);
    ASSERT_EQ(headless[2], 0xFF);
    ASSERT_EQ(headless[3], 0xDB);  // DQT right behind SOI
    const test::Transcoded out = test::Transcode(headless, 48, 32, RotationMode::Anticlockwise90);
    ASSERT_EQ(out.result.error, TranscodeError::None);
    EXPECT_EQ(test::Hex(out.frame.data(), 6), "FF D8 FF E0 00 10");
    EXPECT_EQ(std::string(out.frame.begin() + 6, out.frame.begin() + 10), "JFIF");
    const TestPicture picture = test::DecodeTestJpeg(out.frame);
    EXPECT_GE(test::Psnr(picture, test::ReferenceTransform(source, RotationMode::Anticlockwise90), 0), 30.0);
}

// A frame with its own DHT decodes with it; the standard one in front of it is
// then overridden.
TEST(FrameTranscoder, FrameWithItsOwnHuffmanTablesDecodes)
{
    test::TestJpegOptions options;
    options.withDht = true;
    const Bytes source = test::EncodeTestJpeg(test::GradientPicture(40, 24), options);
    const test::Transcoded out = Transcode(source, 40, 24, RotationMode::Anticlockwise90);
    ASSERT_EQ(out.result.error, TranscodeError::None);
    const TestPicture decoded = test::DecodeTestJpeg(out.frame);
    EXPECT_GE(
        test::Psnr(decoded, test::ReferenceTransform(test::DecodeTestJpeg(source), RotationMode::Anticlockwise90), 0),
        kMinimumPsnr);
}

}  // namespace
}  // namespace kestrel::mjpeg
