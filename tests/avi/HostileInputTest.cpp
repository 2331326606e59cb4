// Malformed and hostile files: each is refused with its own message, or
// converted, without a crash, a hang or memory beyond what the file holds.

#include "avi/AviSamples.h"
#include "base/ByteOrder.h"
#include "base/StatusCode.h"
#include "job/RunConversion.h"
#include "support/ConversionRunner.h"
#include "support/TestJpeg.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>

namespace kestrel::test {
namespace {

Bytes VideoHdrl(int32_t width, int32_t height, uint32_t frames = 1)
{
    MainHeaderFields main;
    main.totalFrames = frames;
    VideoFormatFields format;
    format.width = width;
    format.height = height;
    return List("hdrl", {MainHeader(main), VideoStreamList(format)});
}

TEST(HostileInput, ListsNestedBeyondTheLimitAreRefusedWithoutRecursingDeeper)
{
    // 60,000 nested lists overflowed the stack when the walk had no limit.
    constexpr size_t kLevels = 60000;
    constexpr size_t kHeader = 12;
    Bytes nested(kLevels * kHeader);
    for (size_t i = 0; i < kLevels; ++i) {
        uint8_t* header = nested.data() + i * kHeader;
        std::copy_n("LIST", 4, header);
        WriteLe32(header + 4, static_cast<uint32_t>((kLevels - i) * kHeader - 8));
        std::copy_n("INFO", 4, header + 8);
    }
    const Converted out = ConvertBytes(Riff("AVI ", {VideoHdrl(64, 48), nested}));
    EXPECT_EQ(out.statusCode, status::kNestedTooDeep);
    EXPECT_NE(out.message.find("nests lists more than 64 levels deep"), std::string::npos) << out.message;

    // Sixty levels are fine.
    Bytes sixty = List("INFO", {});
    for (int i = 0; i < 60; ++i)
        sixty = List("INFO", {sixty});
    EXPECT_TRUE(ConvertBytes(Riff("AVI ", {VideoHdrl(64, 48), sixty})).succeeded);
}

TEST(HostileInput, DeclaredSizesBeyondTheFileAllocateNothing)
{
    // A vprp claiming 4 GB in a file of a hundred bytes.
    const Bytes vprp = ChunkWithSize("vprp", 0xFFFFFFF0, Payload(60, 1));
    const Converted out = ConvertBytes(
        Riff("AVI ",
             {List("hdrl", {MainHeader({}),
                            Chunk("LIST", Cat({{'s', 't', 'r', 'l'}, StreamHeader({}), VideoFormat({}), vprp}))})}),
        RotationMode::Clockwise90);
    EXPECT_EQ(out.statusCode, status::kChunkOverrun);
}

TEST(HostileInput, PictureSizesAreCheckedBeforeAnyBufferFollowsThem)
{
    EXPECT_EQ(ConvertBytes(Riff("AVI ", {VideoHdrl(65500, 65500)})).statusCode, status::kPictureTooLarge);
    const Converted large = ConvertBytes(Riff("AVI ", {VideoHdrl(20000, 20000)}));
    EXPECT_EQ(large.message,
              "Video stream in\n" + large.sourcePath +
                  "\nhas pictures too large to convert (20000 x 20000 pixels; at most 16384 x 16384 pixels)");
    // A large stream format over small frames: refused at the first frame,
    // without a buffer of the format's size.
    const Bytes frame = EncodeTestJpeg(NoisePicture(64, 48, 1));
    const Converted mismatch =
        ConvertBytes(Riff("AVI ", {VideoHdrl(16000, 16000), List("movi", {Chunk("00dc", frame)})}));
    EXPECT_EQ(mismatch.statusCode, status::kFrameUnexpected);
}

TEST(HostileInput, OnlyRegularFilesAreConverted)
{
    TempDir dir;
    std::filesystem::create_directory(dir / "folder.avi");
    ASSERT_EQ(mkfifo((dir / "fifo.avi").c_str(), 0600), 0);
    struct Case {
        std::string path;
        const char* kind;
    };
    for (const Case& c : {Case{(dir / "folder.avi").string(), "a directory"},
                          Case{(dir / "fifo.avi").string(), "a FIFO"},  // no writer: an open would hang
                          Case{"/dev/zero", "a device"}}) {
        ConversionStatus status;
        RunConversion(std::make_unique<ConversionJob>(
                          ConversionJob{c.path, (dir / "out.avi").string(), RotationMode::Clockwise90}),
                      status);
        EXPECT_EQ(status.Result.failure.code, status::kSourceNotAFile) << c.path;
        EXPECT_EQ(FormatFailure(status.Result.failure, c.path, ""),
                  c.path + "\nis not a regular file: it is " + c.kind);
        EXPECT_FALSE(std::filesystem::exists(dir / "out.avi"));
    }
}

TEST(HostileInput, FilesWithoutAVideoStreamAreRefusedAndAnEmptyClipIsConverted)
{
    const Converted empty = ConvertBytes(Riff("AVI ", {}));
    EXPECT_EQ(empty.statusCode, status::kNoVideoStream);
    EXPECT_EQ(empty.message, empty.sourcePath + "\nhas no Motion-JPEG video stream");
    const Converted audioOnly = ConvertBytes(Riff(
        "AVI ", {List("hdrl", {MainHeader({}), AudioStreamList()}), List("movi", {Chunk("00wb", Payload(100, 1))})}));
    EXPECT_EQ(audioOnly.statusCode, status::kNoVideoStream);

    const Converted noFrames = ConvertBytes(Riff("AVI ", {VideoHdrl(64, 48, 0), List("movi", {})}));
    EXPECT_TRUE(noFrames.succeeded) << noFrames.message;
}

TEST(HostileInput, FramesHoldingTwoPicturesAreRefused)
{
    // Two fields of half height in one chunk, under a stream format of
    // field height: converting would keep only the first.
    const Bytes field = EncodeTestJpeg(NoisePicture(64, 24, 1));
    const Converted out =
        ConvertBytes(Riff("AVI ", {VideoHdrl(64, 24), List("movi", {Chunk("00dc", Cat({field, field}))})}));
    EXPECT_EQ(out.statusCode, status::kFrameUnexpected);
    EXPECT_EQ(out.statusDetail, 1u);
}

// A picture of the video stream in a chunk other than a frame chunk would be
// copied unturned; the same bytes in another stream's chunk are its data.
TEST(HostileInput, PicturesOutsideFrameChunksOfTheVideoStreamAreRefused)
{
    const Bytes picture = EncodeTestJpeg(NoisePicture(64, 48, 1));
    const Bytes hdrl = List("hdrl", {MainHeader({}), VideoStreamList({}), AudioStreamList()});
    struct Case {
        const char* id;
        int32_t code;
    };
    for (const Case& c : {Case{"00wb", status::kPictureInOtherChunk}, Case{"00xx", status::kPictureInOtherChunk},
                          Case{"01wb", status::kNone}}) {
        const Converted out = ConvertBytes(Riff("AVI ", {hdrl, List("movi", {Chunk(c.id, picture)})}));
        EXPECT_EQ(out.statusCode, c.code) << c.id << ": " << out.message;
    }
}

}  // namespace
}  // namespace kestrel::test
