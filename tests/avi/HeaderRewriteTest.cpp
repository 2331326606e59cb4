// The main header, stream headers and video format follow the transform;
// files that are not 24-bit Motion-JPEG are refused.

#include "avi/AviSamples.h"
#include "base/StatusCode.h"
#include "support/ConversionRunner.h"

#include <gtest/gtest.h>

namespace kestrel::test {
namespace {

struct Headers {
    Bytes avih, videoStrh, videoStrf, audioStrh, audioStrf;
};

Headers HeadersOf(const Bytes& file)
{
    const ChunkNode tree = ParseRiffFile(file);
    Headers h;
    const ChunkNode* hdrl = tree.Find("LIST", "hdrl");
    if (!hdrl || hdrl->children.size() < 3) {
        ADD_FAILURE() << "no hdrl with two streams in " << DumpTree(tree);
        return h;
    }
    h.avih = hdrl->children[0].data;
    h.videoStrh = hdrl->children[1].children.at(0).data;
    h.videoStrf = hdrl->children[1].children.at(1).data;
    h.audioStrh = hdrl->children[2].children.at(0).data;
    h.audioStrf = hdrl->children[2].children.at(1).data;
    return h;
}

class HeaderRewrite : public ::testing::TestWithParam<RotationMode> { };

TEST_P(HeaderRewrite, HeadersFollowTheTransform)
{
    const RotationMode mode = GetParam();
    MainHeaderFields main;
    main.width = 640;
    main.height = 480;
    main.flags = 0x100;  // AVIF_ISINTERLEAVED stays
    main.totalFrames = 0;
    VideoFormatFields format;
    format.width = 640;
    format.height = 480;
    StreamHeaderFields video;
    video.right = 640;
    video.bottom = 480;
    const Bytes source =
        Riff("AVI ", {
                         List("hdrl", {MainHeader(main), List("strl", {StreamHeader(video), VideoFormat(format)}),
                                       AudioStreamList()}),
                         List("movi", {Chunk("01wb", Payload(50, 1)), Chunk("01wb", Payload(9, 1))}),
                     });
    const Converted out = ConvertBytes(source, mode);
    ASSERT_TRUE(out.succeeded) << out.message;
    EXPECT_EQ(out.progress, 100);

    const Headers in = HeadersOf(source);
    Headers expected = in;
    const bool swap = SwapsDimensions(mode);
    // avih: has-index flag, buffer size patched with the largest data or
    // index chunk written (the 50-byte audio chunk; the new index has 32).
    expected.avih[12] |= 0x10;
    const uint32_t largest = 50;
    expected.avih[28] = largest;
    expected.avih[29] = expected.avih[30] = expected.avih[31] = 0;
    if (swap) {
        std::swap_ranges(expected.avih.begin() + 32, expected.avih.begin() + 36, expected.avih.begin() + 36);
        std::swap_ranges(expected.videoStrh.begin() + 52, expected.videoStrh.begin() + 54,
                         expected.videoStrh.begin() + 54);
        std::swap_ranges(expected.videoStrf.begin() + 4, expected.videoStrf.begin() + 8,
                         expected.videoStrf.begin() + 8);
    }
    const Headers got = HeadersOf(out.output);
    EXPECT_EQ(got.avih, expected.avih);
    EXPECT_EQ(got.videoStrh, expected.videoStrh);
    EXPECT_EQ(got.videoStrf, expected.videoStrf);
    EXPECT_EQ(got.audioStrh, in.audioStrh);
    EXPECT_EQ(got.audioStrf, in.audioStrf);
    if (swap) {
        EXPECT_EQ(GetLe32(got.avih, 32), 480u);
        EXPECT_EQ(GetLe32(got.avih, 36), 640u);
        EXPECT_EQ(GetLe16(got.videoStrh, 52), 480u);
        EXPECT_EQ(GetLe16(got.videoStrh, 54), 640u);
        EXPECT_EQ(GetLe32(got.videoStrf, 4), 480u);
        EXPECT_EQ(GetLe32(got.videoStrf, 8), 640u);
    }
}

INSTANTIATE_TEST_SUITE_P(AllModes, HeaderRewrite,
                         ::testing::Values(RotationMode::Clockwise90, RotationMode::Rotate180,
                                           RotationMode::Anticlockwise90, RotationMode::MirrorX,
                                           RotationMode::MirrorY));

TEST(HeaderRewriteBufferSize, IsTheLargestChunkOfTheSource)
{
    const Bytes source = Riff("AVI ", {List("hdrl", {MainHeader({}), VideoStreamList(), AudioStreamList()}),
                                       List("movi", {Chunk("01wb", Payload(3000, 1))}), Chunk("idx1", Payload(16, 0))});
    const Converted out = ConvertBytes(source);
    ASSERT_TRUE(out.succeeded) << out.message;
    EXPECT_EQ(GetLe32(HeadersOf(out.output).avih, 28), 3000u);
}

TEST(HeaderRewriteBufferSize, WithoutAMainHeaderNothingIsPatched)
{
    const Bytes source = Riff(
        "AVI ", {List("hdrl", {VideoStreamList(), AudioStreamList()}), List("movi", {Chunk("01wb", Payload(10, 1))})});
    const Converted out = ConvertBytes(source, RotationMode::Rotate180);
    ASSERT_TRUE(out.succeeded) << out.message;
    // Only the RIFF and list sizes differ from a straight copy plus the index.
    const ChunkNode tree = ParseRiffFile(out.output);
    EXPECT_EQ(DumpTree(tree), "RIFF AVI  / LIST hdrl / LIST strl / strh 56 / strf 40 . / LIST strl / strh 56 / "
                              "strf 16 / strn 4 . . / LIST movi / 01wb 10 . / idx1 16 .");
    EXPECT_EQ(Bytes(out.output.begin() + 8, out.output.begin() + static_cast<ptrdiff_t>(source.size())),
              Bytes(source.begin() + 8, source.end()))
        << "only the RIFF size changes (it grows by the index)";
}

TEST(HeaderRewriteFlags, HasIndexFlagAlreadySetStaysSet)
{
    MainHeaderFields main;
    main.flags = 0x10 | 0x800;
    const Converted out = ConvertBytes(HeaderOnlyAvi(main), RotationMode::MirrorY);
    ASSERT_TRUE(out.succeeded) << out.message;
    EXPECT_EQ(GetLe32(HeadersOf(out.output).avih, 12), 0x810u);
}

TEST(HeaderRewriteRefusals, VideoHandlerOtherThanMotionJpeg)
{
    for (const char* handler : {"DIVX", "H264", "MJPE", "GPJX"}) {
        StreamHeaderFields header;
        header.handler = handler;
        const Converted out = ConvertBytes(Riff("AVI ", {List("hdrl", {MainHeader({}), VideoStreamList({}, header)})}));
        EXPECT_EQ(out.statusCode, status::kNotMjpegHandler);
        EXPECT_EQ(out.message, "Video stream in\n" + out.sourcePath +
                                   "\nis not a motion JPEG(MJPG) stream (header FCC code is " + handler + ")");
    }
}

TEST(HeaderRewriteRefusals, MotionJpegHandlersOfEveryWriterAreAccepted)
{
    // Any letter case, byte-reversed, or no handler at all; the handler
    // stays as the source wrote it.
    const std::string handlers[] = {"mjpg", "Mjpg", "GPJM", "gpjm", std::string(4, '\0')};
    for (const std::string& handler : handlers) {
        StreamHeaderFields header;
        header.handler = handler;
        VideoFormatFields format;
        format.compression = handler == "GPJM" ? "mJpG" : "MJPG";
        const Bytes source = Riff("AVI ", {List("hdrl", {MainHeader({}), VideoStreamList(format, header)})});
        const Converted out = ConvertBytes(source, RotationMode::MirrorX);
        ASSERT_TRUE(out.succeeded) << handler << ": " << out.message;
        EXPECT_EQ(ParseRiffFile(out.output).Find("strh")->data, ParseRiffFile(source).Find("strh")->data);
    }
}

TEST(HeaderRewrite, LongVideoFormatKeepsItsTail)
{
    // A 68-byte 'strf': the 40-byte header, then 28 bytes copied as they are.
    VideoFormatFields fields;
    fields.width = 322;
    fields.height = 242;
    Bytes format = ParseRiffFile(Riff("AVI ", {VideoFormat(fields)})).children.at(0).data;
    format[0] = 68;  // biSize
    const Bytes tail = Payload(28, 9);
    format.insert(format.end(), tail.begin(), tail.end());
    const Bytes source =
        Riff("AVI ", {List("hdrl", {MainHeader({}), List("strl", {StreamHeader({}), Chunk("strf", format)})})});
    const Converted out = ConvertBytes(source, RotationMode::Clockwise90);
    ASSERT_TRUE(out.succeeded) << out.message;
    const Bytes got = ParseRiffFile(out.output).Find("strf")->data;
    ASSERT_EQ(got.size(), 68u);
    EXPECT_EQ(GetLe32(got, 0), 68u);
    EXPECT_EQ(GetLe32(got, 4), 242u);
    EXPECT_EQ(GetLe32(got, 8), 322u);
    EXPECT_EQ(Bytes(got.begin() + 12, got.end()), Bytes(format.begin() + 12, format.end()));
}

TEST(HeaderRewriteRefusals, VideoFormatOtherThanMotionJpeg)
{
    VideoFormatFields format;
    format.compression = "H264";
    const Converted out = ConvertBytes(Riff("AVI ", {List("hdrl", {VideoStreamList(format)})}));
    EXPECT_EQ(out.statusCode, status::kNotMjpegFormat);
    EXPECT_EQ(out.message,
              "Video stream in\n" + out.sourcePath + "\nis not a motion JPEG(MJPG) stream (format FCC code is H264)");
}

TEST(HeaderRewriteRefusals, VideoFormatNot24Bit)
{
    VideoFormatFields format;
    format.bitCount = 16;
    const Converted out = ConvertBytes(Riff("AVI ", {List("hdrl", {VideoStreamList(format)})}));
    EXPECT_EQ(out.statusCode, status::kNot24Bit);
    EXPECT_EQ(out.statusDetail, 16u);
    EXPECT_EQ(out.message,
              "Video stream in\n" + out.sourcePath + "\nis not a 24-bit stream (header indicates 16 bits)");
}

TEST(HeaderRewriteRefusals, VideoFrameSizeOutOfRange)
{
    for (auto [w, h] : {std::pair{0, 48}, {64, -48}, {65501, 2}, {2, 70000}}) {
        VideoFormatFields format;
        format.width = w;
        format.height = h;
        const Converted out = ConvertBytes(Riff("AVI ", {List("hdrl", {VideoStreamList(format)})}));
        EXPECT_EQ(out.statusCode, status::kBadFrameSize);
        EXPECT_EQ(out.message, "Video stream in\n" + out.sourcePath + "\nhas an unsupported frame size (" +
                                   std::to_string(w) + " x " + std::to_string(h) + " pixels)");
    }
}

TEST(HeaderRewriteRefusals, HeaderChunksOfTheWrongSize)
{
    const Bytes shortAvih = ChunkWithSize("avih", 52, Payload(52, 0));
    const Bytes longStrh = ChunkWithSize("strh", 60, Payload(60, 0));
    const Bytes shortStrf = Chunk("strf", Payload(36, 0));
    struct Case {
        Bytes source;
        const char* id;
    } cases[] = {
        {Riff("AVI ", {List("hdrl", {shortAvih})}), "avih"},
        {Riff("AVI ", {List("hdrl", {List("strl", {longStrh})})}), "strh"},
        {Riff("AVI ", {List("hdrl", {List("strl", {StreamHeader({}), shortStrf})})}), "strf"},
    };
    for (const Case& c : cases) {
        const Converted out = ConvertBytes(c.source);
        EXPECT_EQ(out.statusCode, status::kChunkWrongSize);
        EXPECT_EQ(out.message, out.sourcePath + "\nis malformed: chunk '" + c.id + "' has the wrong size");
    }
}

TEST(HeaderRewriteAudio, AudioStreamWithAnyHandlerPassesUnchanged)
{
    const Converted out = ConvertBytes(HeaderOnlyAvi(), RotationMode::Clockwise90);
    ASSERT_TRUE(out.succeeded) << out.message;
    const Headers in = HeadersOf(HeaderOnlyAvi());
    const Headers got = HeadersOf(out.output);
    EXPECT_EQ(got.audioStrh, in.audioStrh);
    EXPECT_EQ(got.audioStrf, in.audioStrf);
}

}  // namespace
}  // namespace kestrel::test
