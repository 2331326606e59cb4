#include "mjpeg/JpegCodec.h"

#include "mjpeg/MjpegHeaderWriter.h"
#include "support/TestJpeg.h"

#include <gtest/gtest.h>

namespace kestrel::mjpeg {
namespace {

using test::Bytes;

SourceQuantTables Tables(uint32_t luma, uint32_t chroma)
{
    SourceQuantTables tables;
    tables.tables[0].fill(luma);
    tables.tables[1].fill(chroma);
    return tables;
}

EncodeResult EncodePicture(const test::TestPicture& picture, Bytes& out, const SourceQuantTables& tables)
{
    Bytes pixels = picture.pixels;
    return Encode(CodecBuffer(pixels.data(), static_cast<uint32_t>(pixels.size())), out,
                  {picture.width, picture.height}, tables);
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
    const test::TestPicture picture = test::NoisePicture(64, 64);
    Bytes out;
    const EncodeResult result = EncodePicture(picture, out, Tables(1, 1));
    ASSERT_EQ(result.status, CodecStatus::Ok);
    EXPECT_GE(out.size(), result.length);
    EXPECT_EQ(test::DecodeTestJpeg(Bytes(out.begin(), out.begin() + result.length)).width, 64);
}

TEST(JpegCodec, DecodeRefusesAPictureLargerThanItsBuffer)
{
    Bytes frame = test::WithStandardDht(test::EncodeTestJpeg(test::GradientPicture(32, 16)));
    Bytes pixels(32 * 16 * 3 - 1, 0x77);
    SourceQuantTables tables;
    EXPECT_EQ(Decode(CodecBuffer(frame.data(), static_cast<uint32_t>(frame.size())), pixels.data(), pixels.size(),
                     {32, 16}, tables),
              CodecStatus::UnexpectedPicture);
    EXPECT_EQ(pixels, Bytes(32 * 16 * 3 - 1, 0x77));
}

TEST(JpegCodec, DecodeCapturesTheTablesOfYAndCbInNaturalOrder)
{
    test::TestJpegOptions options;
    for (size_t i = 0; i < 64; ++i) {
        options.tables[0][i] = static_cast<uint16_t>(1 + i);
        options.tables[1][i] = static_cast<uint16_t>(100 + i);
    }
    Bytes frame = test::WithStandardDht(test::EncodeTestJpeg(test::GradientPicture(32, 16), options));
    Bytes pixels(32 * 16 * 3);
    SourceQuantTables tables;
    ASSERT_EQ(Decode(CodecBuffer(frame.data(), static_cast<uint32_t>(frame.size())), pixels.data(), pixels.size(),
                     {32, 16}, tables),
              CodecStatus::Ok);
    for (size_t i = 0; i < 64; ++i) {
        EXPECT_EQ(tables.tables[0][i], 1 + i);
        EXPECT_EQ(tables.tables[1][i], 100 + i);
    }
}

}  // namespace
}  // namespace kestrel::mjpeg
