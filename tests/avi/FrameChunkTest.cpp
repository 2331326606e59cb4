// Video frames inside 'movi': transcoded with their new sizes, other stream
// data copied, a new index for all of them, progress per frame.

#include "avi/AviSamples.h"
#include "base/FrameWarnings.h"
#include "base/StatusCode.h"
#include "mjpeg/TranscodeTestSupport.h"
#include "support/ConversionRunner.h"
#include "support/TestJpeg.h"

#include <gtest/gtest.h>

namespace kestrel::test {
namespace {

constexpr int32_t kWidth = 48;
constexpr int32_t kHeight = 32;

Bytes Frame(uint32_t seed = 1) { return EncodeTestJpeg(NoisePicture(kWidth, kHeight, seed)); }

Bytes Hdrl(uint32_t totalFrames, std::initializer_list<Bytes> extraVideoChunks = {})
{
    MainHeaderFields main;
    main.totalFrames = totalFrames;
    main.streams = 2;
    VideoFormatFields format;
    format.width = kWidth;
    format.height = kHeight;
    Bytes videoList = Cat({StreamHeader({}), VideoFormat(format)});
    for (const Bytes& chunk : extraVideoChunks)
        videoList = Cat({videoList, chunk});
    return List("hdrl", {MainHeader(main), Chunk("LIST", Cat({{'s', 't', 'r', 'l'}, videoList})), AudioStreamList()});
}

struct Entry {
    std::string id;
    uint32_t flags, offset, length;
};

std::vector<Entry> IndexOf(const ChunkNode& tree)
{
    std::vector<Entry> entries;
    const ChunkNode* index = tree.Find("idx1");
    if (!index)
        return entries;
    for (size_t at = 0; at + 16 <= index->data.size(); at += 16)
        entries.push_back({std::string(index->data.begin() + at, index->data.begin() + at + 4),
                           GetLe32(index->data, at + 4), GetLe32(index->data, at + 8), GetLe32(index->data, at + 12)});
    return entries;
}

// Every stream data chunk of 'movi', in order, matches its index entry.
void ExpectIndexMatchesMovi(const ChunkNode& tree)
{
    const ChunkNode* movi = tree.Find("LIST", "movi");
    ASSERT_NE(movi, nullptr);
    std::vector<const ChunkNode*> data;
    const std::function<void(const ChunkNode&)> collect = [&](const ChunkNode& list) {
        for (const ChunkNode& child : list.children) {
            if (child.id == "LIST")
                collect(child);
            else if (child.id != "JUNK")
                data.push_back(&child);
        }
    };
    collect(*movi);
    const std::vector<Entry> entries = IndexOf(tree);
    ASSERT_EQ(entries.size(), data.size());
    for (size_t i = 0; i < entries.size(); ++i) {
        EXPECT_EQ(entries[i].id, data[i]->id);
        EXPECT_EQ(entries[i].offset, data[i]->offset - (movi->offset + 8)) << i;
        EXPECT_EQ(entries[i].length, data[i]->size) << i << ": the chunk's own size, without its pad byte";
    }
}

TEST(FrameChunks, FramesAreReencodedAndEveryDataChunkIndexed)
{
    const Bytes source =
        Riff("AVI ",
             {Hdrl(2), List("movi", {Chunk("00dc", Frame(1)), Chunk("01wb", Payload(31, 1)), Chunk("00dc", Frame(2))}),
              Chunk("idx1", Payload(16 * 7, 0))});
    const Converted out = ConvertBytes(source, RotationMode::Clockwise90);
    ASSERT_TRUE(out.succeeded) << out.message;
    EXPECT_EQ(out.progress, 100);
    const ChunkNode tree = ParseRiffFile(out.output);
    ExpectIndexMatchesMovi(tree);
    const std::vector<Entry> entries = IndexOf(tree);
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].offset, 4u);
    EXPECT_EQ(entries[0].flags, 0x10u);
    EXPECT_EQ(entries[1].flags, 0x10u);  // audio chunks are key frames too
    EXPECT_EQ(entries[1].length, 31u);
    EXPECT_EQ(entries[2].flags, 0x10u);

    const ChunkNode* movi = tree.Find("LIST", "movi");
    const TestPicture picture = DecodeTestJpeg(movi->children[0].data);
    EXPECT_EQ(picture.width, kHeight);
    EXPECT_EQ(picture.height, kWidth);
    EXPECT_EQ(movi->children[1].data, Payload(31, 1));
    // The main header's buffer size is the largest chunk the output holds
    // for a reader to read: the re-encoded frames, not the source's.
    const uint32_t bufferSize = GetLe32(tree.Find("avih")->data, 28);
    EXPECT_EQ(bufferSize, std::max({movi->children[0].size, movi->children[2].size, tree.Find("idx1")->size}));
}

TEST(FrameChunks, UncompressedVideoChunksOfTheMotionJpegStreamAreFramesToo)
{
    // Some muxers store Motion-JPEG frames as "00db"; "01db" belongs to the
    // audio stream here and is only copied.
    const Bytes source = Riff("AVI ", {Hdrl(1), List("movi", {Chunk("00db", Frame()), Chunk("01db", Payload(8, 3)),
                                                              Chunk("00pc", Payload(4, 4))})});
    const Converted out = ConvertBytes(source, RotationMode::Anticlockwise90);
    ASSERT_TRUE(out.succeeded) << out.message;
    const ChunkNode tree = ParseRiffFile(out.output);
    const ChunkNode* movi = tree.Find("LIST", "movi");
    EXPECT_EQ(DecodeTestJpeg(movi->children[0].data).width, kHeight);
    EXPECT_EQ(movi->children[1].data, Payload(8, 3));
    const std::vector<Entry> entries = IndexOf(tree);
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].flags, 0x10u);
    EXPECT_EQ(entries[1].flags, 0x10u);
    EXPECT_EQ(entries[2].flags, 0x100u);
}

TEST(FrameChunks, IndexIsAppendedBehindChunksThatFollowTheOldOne)
{
    const Bytes source = Riff("AVI ", {Hdrl(1), List("movi", {Chunk("00dc", Frame())}), Chunk("idx1", Payload(64, 0)),
                                       Chunk("JUNK", Payload(6, 0))});
    const Converted out = ConvertBytes(source, RotationMode::MirrorX);
    ASSERT_TRUE(out.succeeded) << out.message;
    const ChunkNode tree = ParseRiffFile(out.output);
    ASSERT_EQ(tree.children.size(), 4u);
    EXPECT_EQ(tree.children[2].id, "JUNK");
    EXPECT_EQ(tree.children[3].id, "idx1");
    EXPECT_EQ(tree.children[3].size, 16u);
}

TEST(FrameChunks, FileWithoutStreamDataGetsNoIndex)
{
    const Converted out = ConvertBytes(Riff("AVI ", {Hdrl(0), List("movi", {}), Chunk("idx1", {})}));
    ASSERT_TRUE(out.succeeded) << out.message;
    EXPECT_EQ(ParseRiffFile(out.output).Find("idx1"), nullptr);
}

TEST(FrameChunks, ProgressEndsAt100WhateverTheHeaderAnnounced)
{
    for (uint32_t announced : {0u, 1u, 2u, 3u, 1000u}) {
        const Bytes source =
            Riff("AVI ", {Hdrl(announced), List("movi", {Chunk("00dc", Frame(1)), Chunk("00dc", Frame(2))})});
        const Converted out = ConvertBytes(source, RotationMode::Rotate180);
        EXPECT_TRUE(out.succeeded) << out.message;
        EXPECT_EQ(out.progress, 100) << announced;
    }
}

TEST(FrameChunks, EmptyFrameChunksStayEmpty)
{
    const Bytes source = Riff("AVI ", {Hdrl(2), List("movi", {Chunk("00dc", Frame()), Chunk("00dc", {})})});
    const Converted out = ConvertBytes(source, RotationMode::MirrorY);
    ASSERT_TRUE(out.succeeded) << out.message;
    const ChunkNode tree = ParseRiffFile(out.output);
    EXPECT_EQ(tree.Find("LIST", "movi")->children[1].size, 0u);
    ExpectIndexMatchesMovi(tree);
    // A repeat is no key frame: its entry carries no flags.
    const std::vector<Entry> entries = IndexOf(tree);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].flags, 0x10u);
    EXPECT_EQ(entries[1].flags, 0u);
}

// A frame whose scan ends early decodes with the rest grey, and the JPEG
// library's warning about it is kept for the front ends: the first frame
// concerned and how many more.
TEST(FrameChunks, LibraryWarningsAreCollectedPerConversion)
{
    const Bytes whole = Frame(3);
    const Bytes cut(whole.begin(), whole.end() - static_cast<ptrdiff_t>(whole.size() / 3));
    const Bytes source = Riff("AVI ", {Hdrl(4), List("movi", {Chunk("00dc", Frame(1)), Chunk("00dc", cut),
                                                              Chunk("00dc", {}), Chunk("00dc", cut)})});
    const Converted out = ConvertBytes(source, RotationMode::Rotate180);
    ASSERT_TRUE(out.succeeded) << out.message;
    const std::string prefix = "warning: " + out.sourcePath + ": frame 2: ";
    const std::string suffix = " (and 1 more frame)";
    ASSERT_GT(out.warning.size(), prefix.size() + suffix.size()) << out.warning;
    EXPECT_EQ(out.warning.substr(0, prefix.size()), prefix);
    EXPECT_EQ(out.warning.substr(out.warning.size() - suffix.size()), suffix);
    EXPECT_EQ(out.warning.find('\n'), std::string::npos);

    EXPECT_EQ(ConvertBytes(Riff("AVI ", {Hdrl(1), List("movi", {Chunk("00dc", whole)})})).warning, "");

    // Frames may be recorded out of order: the lowest number stays first.
    FrameWarnings warnings;
    warnings.Add(7, "later");
    warnings.Add(3, "earlier");
    warnings.Add(9, "last");
    EXPECT_EQ(FormatFrameWarnings(warnings, "clip.avi"), "warning: clip.avi: frame 3: earlier (and 2 more frames)");
}

TEST(FrameChunks, OpenDmlIndexesBecomeJunkOfTheSameSize)
{
    const Bytes superIndex = Chunk("indx", Payload(24, 7));
    const Bytes source =
        Riff("AVI ", {Hdrl(1, {superIndex}), List("movi", {Chunk("00dc", Frame()), Chunk("ix00", Payload(32, 8))})});
    const Converted out = ConvertBytes(source, RotationMode::Rotate180);
    ASSERT_TRUE(out.succeeded) << out.message;
    const ChunkNode tree = ParseRiffFile(out.output);
    EXPECT_EQ(tree.Find("indx"), nullptr);
    EXPECT_EQ(tree.Find("ix00"), nullptr);
    const ChunkNode* strl = tree.Find("LIST", "strl");
    ASSERT_EQ(strl->children.size(), 3u);
    EXPECT_EQ(strl->children[2].id, "JUNK");
    EXPECT_EQ(strl->children[2].data, Bytes(24, 0));
    const ChunkNode* movi = tree.Find("LIST", "movi");
    EXPECT_EQ(movi->children[1].id, "JUNK");
    EXPECT_EQ(movi->children[1].size, 32u);
    EXPECT_EQ(IndexOf(tree).size(), 1u);
}

TEST(FrameChunks, VideoPropertiesFollowTheQuarterTurns)
{
    Bytes vprp;
    for (uint32_t value :
         {0u, 0u, 25u, uint32_t(kWidth), uint32_t(kHeight), (4u << 16) | 3u, uint32_t(kWidth), uint32_t(kHeight), 1u})
        PutLe32(vprp, value);
    for (uint32_t value : {uint32_t(kHeight), uint32_t(kWidth), uint32_t(kHeight), uint32_t(kWidth), 0u, 0u, 0u, 0u})
        PutLe32(vprp, value);
    const Bytes source = Riff("AVI ", {Hdrl(1, {Chunk("vprp", vprp)}), List("movi", {Chunk("00dc", Frame())})});

    const Converted turned = ConvertBytes(source, RotationMode::Clockwise90);
    ASSERT_TRUE(turned.succeeded) << turned.message;
    const ChunkNode tree = ParseRiffFile(turned.output);
    const Bytes& got = tree.Find("vprp")->data;
    EXPECT_EQ(GetLe32(got, 12), uint32_t(kHeight));
    EXPECT_EQ(GetLe32(got, 16), uint32_t(kWidth));
    EXPECT_EQ(GetLe32(got, 20), (3u << 16) | 4u);
    EXPECT_EQ(GetLe32(got, 24), uint32_t(kHeight));
    EXPECT_EQ(GetLe32(got, 28), uint32_t(kWidth));
    EXPECT_EQ(GetLe32(got, 36), uint32_t(kWidth));   // CompressedBMHeight
    EXPECT_EQ(GetLe32(got, 40), uint32_t(kHeight));  // CompressedBMWidth

    const Converted mirrored = ConvertBytes(source, RotationMode::MirrorX);
    ASSERT_TRUE(mirrored.succeeded) << mirrored.message;
    EXPECT_EQ(ParseRiffFile(mirrored.output).Find("vprp")->data, vprp);
}

struct DamagedCase {
    const char* name;
    Bytes frame;
    int32_t code;
    const char* messageTail;
};

class DamagedFrame : public ::testing::TestWithParam<DamagedCase> { };

TEST_P(DamagedFrame, EndsTheConversionWithTheFrameNumber)
{
    const DamagedCase& c = GetParam();
    const Bytes source = Riff("AVI ", {Hdrl(2), List("movi", {Chunk("00dc", Frame()), Chunk("00dc", c.frame)})});
    const Converted out = ConvertBytes(source, RotationMode::Clockwise90);
    EXPECT_FALSE(out.succeeded);
    EXPECT_EQ(out.statusCode, c.code);
    EXPECT_EQ(out.statusDetail, 2u);
    EXPECT_EQ(out.message, out.sourcePath + c.messageTail);
}

Bytes Greyscale()
{
    TestPicture grey{kWidth, kHeight, 1, Bytes(size_t(kWidth) * kHeight, 128)};
    TestJpegOptions options;
    options.lumaHorizontal = 1;
    return EncodeTestJpeg(grey, options);
}

// A frame the JPEG library itself gives up on: 12-bit samples.
Bytes TwelveBit()
{
    Bytes frame = Frame();
    frame[FindSegment(frame, 0xC0) + 4] = 12;
    return frame;
}

INSTANTIATE_TEST_SUITE_P(
    FrameChunks, DamagedFrame,
    ::testing::Values(
        DamagedCase{"Garbage", Payload(400, 9), status::kFrameDamaged, "\nis damaged: video frame 2 cannot be decoded"},
        DamagedCase{"TooShort", Bytes{0xFF, 0xD8, 0xFF, 0xD9}, status::kFrameTooShort,
                    "\nis damaged: video frame 2 is too short to be a JPEG picture"},
        DamagedCase{"WrongSize", EncodeTestJpeg(NoisePicture(kWidth + 16, kHeight, 3)), status::kFrameUnexpected,
                    "\nis not supported: video frame 2 is not one full-size colour picture"},
        DamagedCase{"Greyscale", Greyscale(), status::kFrameUnexpected,
                    "\nis not supported: video frame 2 is not one full-size colour picture"},
        DamagedCase{"LibraryGivesUp", TwelveBit(), status::kFrameDamaged,
                    "\nis damaged: video frame 2 cannot be decoded\n"
                    "JPEG library: Unsupported JPEG data precision 12"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FrameChunks, FrameSizeBeyondTheEndOfTheFileIsRefusedBeforeAnyBufferIsSized)
{
    Bytes source = Riff("AVI ", {Hdrl(1), List("movi", {ChunkWithSize("00dc", 0x7FFFFFF0, Frame())})});
    const Converted out = ConvertBytes(source);
    EXPECT_EQ(out.statusCode, status::kChunkOverrun);
}

}  // namespace
}  // namespace kestrel::test

namespace kestrel::test {
namespace {

TEST(FrameChunks, FramesLargerThanThePictureBufferGrowIt)
{
    // A noisy 16 x 16 picture with all quantizers 1 compresses to more than
    // 16 x 16 x 3 bytes, both as source and as re-encoded frame.
    TestJpegOptions options;
    options.tables = {FlatTable(1), FlatTable(1)};
    const Bytes big = EncodeTestJpeg(NoisePicture(16, 16, 5), options);
    ASSERT_GT(big.size(), 16u * 16 * 3);
    VideoFormatFields format;
    format.width = format.height = 16;
    const Bytes source = Riff("AVI ", {List("hdrl", {MainHeader({}), VideoStreamList(format)}),
                                       List("movi", {Chunk("00dc", big), Chunk("00dc", big)})});
    const Converted out = ConvertBytes(source, RotationMode::Clockwise90);
    ASSERT_TRUE(out.succeeded) << out.message;
    const ChunkNode tree = ParseRiffFile(out.output);
    const ChunkNode& frame = tree.Find("LIST", "movi")->children[1];
    EXPECT_GT(frame.size, 16u * 16 * 3);
    // The grown frame holds the whole turned picture: with all quantizers 1
    // the luma comes back nearly exactly.
    const TestPicture turned = ReferenceTransform(DecodeTestJpeg(WithStandardDht(big)), RotationMode::Clockwise90);
    EXPECT_GT(Psnr(DecodeTestJpeg(frame.data), turned, 0), 40.0);
}

}  // namespace
}  // namespace kestrel::test
