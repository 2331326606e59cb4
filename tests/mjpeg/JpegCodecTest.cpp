#include "mjpeg/JpegCodec.h"

#include "TranscodeTestSupport.h"
#include "mjpeg/MjpegHeaderWriter.h"
#include "mjpeg/PlaneFit.h"

#include <gtest/gtest.h>

namespace kestrel::mjpeg {
namespace {

using test::Bytes;
using test::TestPlane;
using test::TestPlanes;

SourceQuantTables Tables(uint32_t luma, uint32_t chroma)
{
    SourceQuantTables tables;
    tables.tables[0].fill(luma);
    tables.tables[1].fill(chroma);
    return tables;
}

// 4:2:2 planes laid out for EncodePlanes: rows padded to a whole block.
struct EncoderInput {
    std::array<Bytes, 3> storage;
    std::array<EncoderPlane, 3> planes;
    PictureSize size;
};

EncoderInput InputFor(const TestPlanes& planes, int verticalFactor = 1, int maxVertical = 1)
{
    EncoderInput input;
    input.size = {planes[0].width, planes[0].height * maxVertical / verticalFactor};
    for (int ci = 0; ci < 3; ++ci) {
        const TestPlane& plane = planes[ci];
        const size_t stride = RoundUp(static_cast<size_t>(plane.width), 8);
        Bytes& storage = input.storage[ci];
        for (int32_t row = 0; row < plane.height; ++row) {
            storage.insert(storage.end(), plane.samples.begin() + row * plane.width,
                           plane.samples.begin() + (row + 1) * plane.width);
            storage.resize(storage.size() + stride - static_cast<size_t>(plane.width), plane.At(row, plane.width - 1));
        }
        input.planes[ci] = {storage.data(), stride, plane.width, plane.height, verticalFactor, maxVertical};
    }
    return input;
}

TestPlanes PlanesOf(const test::TestPicture& picture)
{
    return test::DecodeTestPlanes(test::EncodeTestJpeg(picture));  // 4:2:2
}

EncodeResult EncodePicture(const test::TestPicture& picture, Bytes& out, const SourceQuantTables& tables)
{
    const EncoderInput input = InputFor(PlanesOf(picture));
    return EncodePlanes(input.planes, out, input.size, tables);
}

TEST(JpegCodec, EncodeCountsEveryByteFromTheLibraryHeadToEoi)
{
    Bytes out(100000, 0x55);
    const EncodeResult result = EncodePicture(test::GradientPicture(40, 24), out, Tables(8, 9));
    ASSERT_EQ(result.status, CodecStatus::Ok);
    ASSERT_GT(result.length, 20u + MjpegHeaderWriter::kFrameHeaderSize);
    // SOI and the library's JFIF APP0 of length 16: 20 bytes.
    EXPECT_EQ(test::Hex(out.data(), 11), "FF D8 FF E0 00 10 4A 46 49 46 00");
    EXPECT_EQ(test::Hex(out.data() + result.length - 2, 2), "FF D9");
    EXPECT_EQ(out[result.length], 0x55);
    EXPECT_EQ(out.size(), 100000u);
}

// empty_output_buffer runs right after the last byte of a frame that fills
// the buffer exactly; the frame still comes out whole.
TEST(JpegCodec, FrameOfExactlyTheBufferSizeComesOutWhole)
{
    const test::TestPicture picture = test::NoisePicture(24, 16);
    Bytes roomy(100000);
    const EncodeResult reference = EncodePicture(picture, roomy, Tables(4, 4));
    ASSERT_EQ(reference.status, CodecStatus::Ok);

    Bytes exact(reference.length);
    const EncodeResult result = EncodePicture(picture, exact, Tables(4, 4));
    ASSERT_EQ(result.status, CodecStatus::Ok);
    EXPECT_EQ(result.length, reference.length);
    EXPECT_TRUE(std::equal(roomy.begin(), roomy.begin() + reference.length, exact.begin()));
}

TEST(JpegCodec, OutputGrowsFromEmpty)
{
    Bytes out;
    const EncodeResult result = EncodePicture(test::NoisePicture(64, 64), out, Tables(1, 1));
    ASSERT_EQ(result.status, CodecStatus::Ok);
    EXPECT_GE(out.size(), result.length);
    EXPECT_EQ(test::DecodeTestJpeg(Bytes(out.begin(), out.begin() + result.length)).width, 64);
}

// With tables of 1 the planes come back within the rounding of the DCT;
// a plane with half the rows has each of them twice in the frame.
TEST(JpegCodec, EncodedPlanesDecodeBackToThemselves)
{
    const TestPlanes planes = PlanesOf(test::ColourPicture(45, 21));
    Bytes out;
    EncoderInput input = InputFor(planes);
    const EncodeResult once = EncodePlanes(input.planes, out, input.size, Tables(1, 1));
    ASSERT_EQ(once.status, CodecStatus::Ok);
    const TestPlanes decoded = test::DecodeTestPlanes(Bytes(out.begin(), out.begin() + once.length));
    for (int ci = 0; ci < 3; ++ci) {
        EXPECT_GE(test::Psnr(decoded[ci], planes[ci]), 45.0) << "component " << ci;
    }

    input = InputFor(planes, 1, 2);
    const EncodeResult twice = EncodePlanes(input.planes, out, input.size, Tables(1, 1));
    ASSERT_EQ(twice.status, CodecStatus::Ok);
    const TestPlanes doubled = test::DecodeTestPlanes(Bytes(out.begin(), out.begin() + twice.length));
    ASSERT_EQ(doubled[1].height, 42);
    for (int32_t row = 0; row < 42; row += 2) {
        for (int32_t column = 0; column < doubled[1].width; ++column) {
            EXPECT_NEAR(doubled[1].At(row, column), doubled[1].At(row + 1, column), 2) << row << ", " << column;
        }
    }
}

TEST(JpegCodec, EncodeRefusesPlanesThatDoNotFitThePicture)
{
    const EncoderInput input = InputFor(PlanesOf(test::GradientPicture(40, 24)));
    Bytes out;
    std::array<EncoderPlane, 3> narrow = input.planes;
    narrow[1].width = 19;  // Cb of a 40-wide picture is 20 wide
    EXPECT_EQ(EncodePlanes(narrow, out, input.size, Tables(2, 2)).status, CodecStatus::UnexpectedPicture);
    std::array<EncoderPlane, 3> unpadded = input.planes;
    unpadded[0] = {unpadded[0].samples, 36, 36, 24, 1, 1};  // 36 samples need 40 bytes a row
    EXPECT_EQ(EncodePlanes(unpadded, out, {36, 24}, Tables(2, 2)).status, CodecStatus::UnexpectedPicture);
    EXPECT_TRUE(out.empty());
}

TEST(JpegCodec, DecodeRefusesAPictureOfAnotherSize)
{
    Bytes frame = test::WithStandardDht(test::EncodeTestJpeg(test::GradientPicture(32, 16)));
    SourceQuantTables tables;
    PlanarImage image;
    EXPECT_EQ(DecodePlanes(CodecBuffer(frame.data(), static_cast<uint32_t>(frame.size())), {32, 17}, tables, image),
              CodecStatus::UnexpectedPicture);
    EXPECT_TRUE(image.planes[0].samples.empty());
}

TEST(JpegCodec, DecodeCapturesTheTablesOfYAndCbInNaturalOrder)
{
    test::TestJpegOptions options;
    for (size_t i = 0; i < 64; ++i) {
        options.tables[0][i] = static_cast<uint16_t>(1 + i);
        options.tables[1][i] = static_cast<uint16_t>(100 + i);
    }
    Bytes frame = test::WithStandardDht(test::EncodeTestJpeg(test::GradientPicture(32, 16), options));
    SourceQuantTables tables;
    PlanarImage image;
    ASSERT_EQ(DecodePlanes(CodecBuffer(frame.data(), static_cast<uint32_t>(frame.size())), {32, 16}, tables, image),
              CodecStatus::Ok);
    for (size_t i = 0; i < 64; ++i) {
        EXPECT_EQ(tables.tables[0][i], 1 + i);
        EXPECT_EQ(tables.tables[1][i], 100 + i);
    }
}

// Each plane comes out at its component's resolution with the frame's
// sampling factors, exchanged by a quarter turn, and holds the samples the
// library's own raw decode gives, moved as the transform says.
TEST(JpegCodec, DecodeGivesEachComponentAtItsOwnResolution)
{
    struct Case {
        int lumaHorizontal, lumaVertical;
        std::optional<RotationMode> transform;
        PictureSize luma, chroma;
        int maxHorizontal, maxVertical;
    };
    const Case cases[] = {
        {2, 2, std::nullopt, {75, 41}, {38, 21}, 2, 2},
        {2, 2, RotationMode::MirrorX, {75, 41}, {38, 21}, 2, 2},
        {2, 1, RotationMode::Clockwise90, {41, 75}, {41, 38}, 1, 2},
        {1, 1, RotationMode::Anticlockwise90, {41, 75}, {41, 75}, 1, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.lumaHorizontal << "x" << c.lumaVertical << " mode "
                                        << (c.transform ? static_cast<int>(*c.transform) : -1));
        test::TestJpegOptions options;
        options.lumaHorizontal = c.lumaHorizontal;
        options.lumaVertical = c.lumaVertical;
        const Bytes source = test::EncodeTestJpeg(test::ColourPicture(75, 41), options);
        Bytes frame = test::WithStandardDht(source);
        SourceQuantTables tables;
        PlanarImage image;
        ASSERT_EQ(DecodePlanes(CodecBuffer(frame.data(), static_cast<uint32_t>(frame.size())), {75, 41}, tables, image,
                               c.transform),
                  CodecStatus::Ok);
        EXPECT_EQ(image.maxHorizontal, c.maxHorizontal);
        EXPECT_EQ(image.maxVertical, c.maxVertical);
        const TestPlanes reference = test::DecodeTestPlanes(source);
        for (int ci = 0; ci < 3; ++ci) {
            const SamplePlane& plane = image.planes[ci];
            EXPECT_EQ(plane.size, ci == 0 ? c.luma : c.chroma) << "component " << ci;
            EXPECT_EQ(plane.stride % 16, 0u);
            const TestPlane expected =
                c.transform ? test::ReferencePlaneTransform(reference[ci], *c.transform) : reference[ci];
            EXPECT_EQ(plane.horizontalFactor, expected.horizontalFactor);
            EXPECT_EQ(plane.verticalFactor, expected.verticalFactor);
            ASSERT_EQ(plane.size, (PictureSize{expected.width, expected.height}));
            for (int32_t row = 0; row < plane.size.height; ++row) {
                ASSERT_TRUE(std::equal(plane.Row(static_cast<size_t>(row)),
                                       plane.Row(static_cast<size_t>(row)) + plane.size.width,
                                       expected.samples.begin() + row * expected.width))
                    << "component " << ci << " row " << row;
            }
        }
    }
}

}  // namespace
}  // namespace kestrel::mjpeg
