// The byte layout of the frames the transcoder writes: head, the source's
// other APPn and COM segments, the 173-byte block DRI, DQT, SOF0, SOS,
// entropy-coded data, EOI.

#include "mjpeg/FrameTranscoder.h"
#include "mjpeg/LibJpeg.h"
#include "mjpeg/StandardDht.h"

#include "TranscodeTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>

namespace kestrel::mjpeg {
namespace {

using test::Bytes;
using test::Hex;
using test::QuantTable;

constexpr size_t kHead = 20;
constexpr size_t kBlock = 173;

// T.81 Figure A.6, written out here so that the writer's own copy is checked.
constexpr uint8_t kZigZag[64] = {0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,  12, 19, 26, 33, 40, 48,
                                 41, 34, 27, 20, 13, 6,  7,  14, 21, 28, 35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23,
                                 30, 37, 44, 51, 58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};

// A table whose k-th entry in zig-zag order is first + k * step.
QuantTable ZigZagRamp(uint16_t first, uint16_t step)
{
    QuantTable table{};
    for (size_t k = 0; k < 64; ++k) {
        table[kZigZag[k]] = static_cast<uint16_t>(first + k * step);
    }
    return table;
}

Bytes Append(Bytes bytes, std::initializer_list<uint8_t> more)
{
    bytes.insert(bytes.end(), more);
    return bytes;
}

// Zig-zag position k of a ZigZagRamp table, or of its transpose, which the
// quarter turns write since their coefficients are transposed.
int RampIndex(size_t k, bool transposed)
{
    const size_t natural = transposed ? kZigZag[k] % 8 * 8 + kZigZag[k] / 8 : kZigZag[k];
    return static_cast<int>(std::find(std::begin(kZigZag), std::end(kZigZag), natural) - std::begin(kZigZag));
}

Bytes ExpectedBlock(uint8_t linesHigh, uint8_t linesLow, uint8_t samplesHigh, uint8_t samplesLow, bool transposed)
{
    Bytes block = {0xFF, 0xDD, 0x00, 0x04, 0x00, 0x00,  // DRI, restart interval 0
                   0xFF, 0xDB, 0x00, 0x84, 0x00};       // DQT, table 0
    for (size_t k = 0; k < 64; ++k) {
        block.push_back(static_cast<uint8_t>(1 + RampIndex(k, transposed)));
    }
    block.push_back(0x01);  // table 1
    for (size_t k = 0; k < 64; ++k) {
        block.push_back(static_cast<uint8_t>(2 + 3 * RampIndex(k, transposed)));
    }
    block = Append(block, {0xFF, 0xC0, 0x00, 0x11, 0x08, linesHigh, linesLow, samplesHigh, samplesLow, 0x03, 0x01, 0x21,
                           0x00, 0x02, 0x11, 0x01, 0x03, 0x11, 0x01});
    return Append(block, {0xFF, 0xDA, 0x00, 0x0C, 0x03, 0x01, 0x00, 0x02, 0x11, 0x03, 0x11, 0x00, 0x3F, 0x00});
}

class FrameLayout : public ::testing::Test {
protected:
    static Bytes SourceFrame(int32_t width, int32_t height, test::TestJpegOptions options = {})
    {
        return test::EncodeTestJpeg(test::GradientPicture(width, height), options);
    }
};

// Mode 0 (90° clockwise) writes both tables transposed, as it transposes the
// coefficients; mode 1 (180°) writes them as they are.
TEST_F(FrameLayout, HeaderBlockIsExactFor320x240UnderModes0And1)
{
    test::TestJpegOptions options;
    options.tables = {ZigZagRamp(1, 1), ZigZagRamp(2, 3)};
    const Bytes source = SourceFrame(320, 240, options);

    const test::Transcoded turned = test::Transcode(source, 320, 240, RotationMode::Clockwise90);
    ASSERT_EQ(turned.result.error, TranscodeError::None);
    ASSERT_GT(turned.frame.size(), kHead + kBlock);
    EXPECT_EQ(Hex(turned.frame.data() + kHead, kBlock),
              Hex(ExpectedBlock(0x01, 0x40, 0x00, 0xF0, true).data(), kBlock));

    const test::Transcoded halfTurned = test::Transcode(source, 320, 240, RotationMode::Rotate180);
    ASSERT_EQ(halfTurned.result.error, TranscodeError::None);
    ASSERT_GT(halfTurned.frame.size(), kHead + kBlock);
    EXPECT_EQ(Hex(halfTurned.frame.data() + kHead, kBlock),
              Hex(ExpectedBlock(0x00, 0xF0, 0x01, 0x40, false).data(), kBlock));
}

TEST_F(FrameLayout, KeepsHeadAndCarriesNoDhtNorRestartMarkers)
{
    for (test::FrameHeadKind head : {test::FrameHeadKind::Avi1, test::FrameHeadKind::Jfif}) {
        for (bool withDht : {false, true}) {
            test::TestJpegOptions options;
            options.head = head;
            options.withDht = withDht;
            const Bytes source = test::EncodeTestJpeg(test::NoisePicture(48, 40), options);
            for (RotationMode mode : test::kAllModes) {
                const test::Transcoded out = test::Transcode(source, 48, 40, mode);
                ASSERT_EQ(out.result.error, TranscodeError::None);
                const Bytes& frame = out.frame;
                EXPECT_TRUE(std::equal(source.begin(), source.begin() + kHead, frame.begin()));

                // Exactly DRI, DQT, SOF0, SOS in front of the entropy-coded data.
                std::vector<uint8_t> markers;
                for (const test::JpegSegment& segment : test::HeaderSegments(frame)) {
                    markers.push_back(segment.marker);
                }
                EXPECT_EQ(markers, (std::vector<uint8_t>{0xE0, 0xDD, 0xDB, 0xC0, 0xDA}));

                // Entropy-coded data: FF only as a stuffed FF 00, then EOI.
                ASSERT_GE(frame.size(), kHead + kBlock + 2);
                EXPECT_EQ(frame[frame.size() - 2], 0xFF);
                EXPECT_EQ(frame.back(), 0xD9);
                for (size_t i = kHead + kBlock; i + 2 < frame.size(); ++i) {
                    if (frame[i] == 0xFF) {
                        ASSERT_EQ(frame[i + 1], 0x00) << "marker FF " << Hex(&frame[i + 1], 1) << " at " << i;
                        ++i;
                    }
                }
            }
        }
    }
}

Bytes Segment(uint8_t marker, const std::string& body)
{
    const auto length = static_cast<uint16_t>(body.size() + 2);
    // Sized once: growing a 4-byte vector draws a false -Warray-bounds from GCC 12 at -m32.
    Bytes segment(4 + body.size());
    segment[0] = 0xFF;
    segment[1] = marker;
    segment[2] = static_cast<uint8_t>(length >> 8);
    segment[3] = static_cast<uint8_t>(length & 0xFF);
    std::copy(body.begin(), body.end(), segment.begin() + 4);
    return segment;
}

Bytes Insert(Bytes frame, size_t at, const Bytes& bytes)
{
    frame.insert(frame.begin() + static_cast<ptrdiff_t>(at), bytes.begin(), bytes.end());
    return frame;
}

// The source frame's APPn and COM segments other than its head go between
// the head and the header block, in their order and unchanged: players read
// the colour range from the comment "CS=ITU601".
TEST_F(FrameLayout, CarriesTheSourcesAppAndComSegmentsInFrontOfTheHeaderBlock)
{
    const Bytes plain = SourceFrame(48, 32);
    const Bytes comment = Segment(0xFE, std::string("CS=ITU601") + '\0');
    const Bytes exif = Segment(0xE1, std::string("Exif\0\0", 6) + "kestrel");
    // The comment right behind the head; Exif between DQT and SOF0.
    const Bytes source = Insert(Insert(plain, test::FindSegment(plain, 0xC0), exif), kHead, comment);
    const Bytes carried = Insert(comment, comment.size(), exif);

    const test::Transcoded out = test::Transcode(source, 48, 32, RotationMode::Clockwise90);
    ASSERT_EQ(out.result.error, TranscodeError::None);
    const Bytes& frame = out.frame;
    ASSERT_GT(frame.size(), kHead + carried.size() + kBlock);
    EXPECT_TRUE(std::equal(source.begin(), source.begin() + kHead, frame.begin()));
    EXPECT_EQ(Hex(frame.data() + kHead, carried.size()), Hex(carried.data(), carried.size()));
    std::vector<uint8_t> markers;
    for (const test::JpegSegment& segment : test::HeaderSegments(frame))
        markers.push_back(segment.marker);
    EXPECT_EQ(markers, (std::vector<uint8_t>{0xE0, 0xFE, 0xE1, 0xDD, 0xDB, 0xC0, 0xDA}));
    EXPECT_GE(test::Psnr(test::DecodeTestJpeg(frame),
                         test::ReferenceTransform(test::DecodeTestJpeg(plain), RotationMode::Clockwise90), 0),
              30.0);

    // A head of another size is no head: the frame gets the encoder's SOI
    // and JFIF APP0, and the 62-byte AVI1 segment is carried behind it.
    Bytes longHead = plain;
    longHead.erase(longHead.begin() + 2, longHead.begin() + kHead);
    const Bytes avi1 = Segment(0xE0, std::string("AVI1") + std::string(54, '\0'));
    ASSERT_EQ(avi1.size(), 62u);
    longHead = Insert(longHead, 2, avi1);
    const test::Transcoded headless = test::Transcode(longHead, 48, 32, RotationMode::MirrorX);
    ASSERT_EQ(headless.result.error, TranscodeError::None);
    EXPECT_EQ(Hex(headless.frame.data(), 6), "FF D8 FF E0 00 10");
    EXPECT_EQ(Hex(headless.frame.data() + kHead, avi1.size()), Hex(avi1.data(), avi1.size()));
    EXPECT_EQ(Hex(headless.frame.data() + kHead + avi1.size(), 2), "FF DD");
}

TEST_F(FrameLayout, DqtRepeatsTheSourceTablesOfYAndCb)
{
    const Bytes source = SourceFrame(64, 32);
    // The library writes one DQT segment per table: 00 + 64 bytes, 01 + 64 bytes.
    Bytes sourceTables;
    for (const test::JpegSegment& segment : test::HeaderSegments(source)) {
        if (segment.marker == 0xDB) {
            sourceTables.insert(sourceTables.end(), source.begin() + segment.offset + 4,
                                source.begin() + segment.offset + segment.size);
        }
    }
    ASSERT_EQ(sourceTables.size(), 130u);

    const test::Transcoded out = test::Transcode(source, 64, 32, RotationMode::MirrorY);
    ASSERT_EQ(out.result.error, TranscodeError::None);
    EXPECT_EQ(Hex(out.frame.data() + 30, 130), Hex(sourceTables.data(), 130));
}

TEST_F(FrameLayout, SixteenBitTablesAreClampedTo1To255)
{
    QuantTable luma = test::FlatTable(16);
    luma[0] = 0;      // zig-zag position 0
    luma[1] = 300;    // zig-zag position 1
    luma[8] = 256;    // zig-zag position 2
    luma[16] = 255;   // zig-zag position 3
    luma[63] = 1000;  // zig-zag position 63
    QuantTable chroma = test::FlatTable(17);
    chroma[9] = 0;  // zig-zag position 4
    test::TestJpegOptions options;
    options.tables = {luma, chroma};
    const Bytes source = SourceFrame(32, 16, options);
    ASSERT_EQ(source[test::FindSegment(source, 0xDB) + 4] >> 4, 1) << "source should carry 16-bit tables";

    const test::Transcoded out = test::Transcode(source, 32, 16, RotationMode::MirrorX);
    ASSERT_EQ(out.result.error, TranscodeError::None);
    const uint8_t* table0 = out.frame.data() + 31;
    const uint8_t* table1 = out.frame.data() + 96;
    EXPECT_EQ(Hex(table0, 5), "01 FF FF FF 10");
    EXPECT_EQ(table0[63], 0xFF);
    EXPECT_EQ(Hex(table1, 6), "11 11 11 11 01 11");
}

TEST_F(FrameLayout, SingleSourceTableServesBothTables)
{
    test::TestJpegOptions options;
    options.tables = {test::FlatTable(16), test::FlatTable(99)};
    options.componentTables = {0, 0, 0};  // only table 0 is written
    const Bytes source = SourceFrame(32, 16, options);
    ASSERT_EQ(test::HeaderSegments(source).size(), 4u) << "APP0, one DQT, SOF, SOS expected";

    const test::Transcoded out = test::Transcode(source, 32, 16, RotationMode::Rotate180);
    ASSERT_EQ(out.result.error, TranscodeError::None);
    EXPECT_EQ(Bytes(out.frame.begin() + 31, out.frame.begin() + 95), Bytes(64, 0x10));
    EXPECT_EQ(Bytes(out.frame.begin() + 96, out.frame.begin() + 160), Bytes(64, 0x10));
}

// The 420 bytes put in front of every frame must define the same tables that
// the library encodes with.
TEST(StandardDht, MatchesTheTablesTheLibraryEncodesWith)
{
    EXPECT_EQ(Hex(StandardDhtSegment.data(), 4), "FF C4 01 A2");

    jpeg_compress_struct cinfo{};
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    cinfo.in_color_space = JCS_YCbCr;
    cinfo.input_components = 3;
    jpeg_set_defaults(&cinfo);

    // Table definitions at 4 (DC 0), 33 (DC 1), 62 (AC 0), 241 (AC 1).
    const struct {
        size_t offset;
        uint8_t classAndNumber;
        const JHUFF_TBL* library;
    } tables[] = {{4, 0x00, cinfo.dc_huff_tbl_ptrs[0]},
                  {33, 0x01, cinfo.dc_huff_tbl_ptrs[1]},
                  {62, 0x10, cinfo.ac_huff_tbl_ptrs[0]},
                  {241, 0x11, cinfo.ac_huff_tbl_ptrs[1]}};
    size_t end = 4;
    for (const auto& table : tables) {
        ASSERT_NE(table.library, nullptr);
        ASSERT_EQ(table.offset, end);
        EXPECT_EQ(StandardDhtSegment[table.offset], table.classAndNumber);
        const uint8_t* counts = StandardDhtSegment.data() + table.offset + 1;
        const size_t symbols = std::accumulate(counts, counts + 16, size_t{0});
        for (int length = 1; length <= 16; ++length) {
            EXPECT_EQ(counts[length - 1], table.library->bits[length]) << "table at " << table.offset;
        }
        EXPECT_TRUE(std::equal(counts + 16, counts + 16 + symbols, table.library->huffval))
            << "table at " << table.offset;
        end = table.offset + 17 + symbols;
    }
    EXPECT_EQ(end, kStandardDhtSize);
    jpeg_destroy_compress(&cinfo);
}

}  // namespace
}  // namespace kestrel::mjpeg
