// Frames transcoded by several threads: the output is the single-threaded
// output byte for byte, the first damaged frame in file order is the one
// reported, and a stop request ends the conversion early.

#include "avi/AviSamples.h"
#include "base/ConversionStatus.h"
#include "base/StatusCode.h"
#include "job/RunConversion.h"
#include "support/ConversionRunner.h"
#include "support/TestJpeg.h"

#include <gtest/gtest.h>

#include <thread>

namespace kestrel::test {
namespace {

constexpr RotationMode kModes[] = {RotationMode::Clockwise90, RotationMode::Anticlockwise90, RotationMode::Rotate180,
                                   RotationMode::MirrorX, RotationMode::MirrorY};

Bytes Header(int32_t width, int32_t height, uint32_t frames)
{
    MainHeaderFields main;
    main.totalFrames = frames;
    main.streams = 2;
    VideoFormatFields format;
    format.width = width;
    format.height = height;
    return List("hdrl", {MainHeader(main), VideoStreamList(format), AudioStreamList()});
}

// A 'movi' list of these chunks.
Bytes Movi(const std::vector<Bytes>& chunks)
{
    Bytes data = {'m', 'o', 'v', 'i'};
    for (const Bytes& chunk : chunks)
        data.insert(data.end(), chunk.begin(), chunk.end());
    return Chunk("LIST", data);
}

// 4:2:2 noise frames between audio chunks (one of odd size) and JUNK.
Bytes InterleavedFile()
{
    std::vector<Bytes> movi;
    for (uint32_t i = 0; i < 14; ++i) {
        movi.push_back(Chunk("00dc", EncodeTestJpeg(NoisePicture(48, 32, i + 1))));
        movi.push_back(Chunk("01wb", Payload(i % 3 == 0 ? 33 : 64, static_cast<uint8_t>(i))));
        if (i == 5)
            movi.push_back(Chunk("JUNK", Payload(7, 9)));
    }
    return Riff("AVI ", {Header(48, 32, 14), Movi(movi)});
}

// 4:2:0 frames of odd size with their own DHT and a JFIF head, in 'rec '
// lists, as "db" chunks of the video stream, and an empty frame.
Bytes RecListFile()
{
    TestJpegOptions options;
    options.lumaVertical = 2;
    options.withDht = true;
    options.head = FrameHeadKind::Jfif;
    const auto frame = [&](uint32_t seed) { return EncodeTestJpeg(NoisePicture(37, 23, seed), options); };
    return Riff("AVI ", {Header(37, 23, 9),
                         List("movi", {List("rec ", {Chunk("00dc", frame(1)), Chunk("01wb", Payload(20, 1))}),
                                       List("rec ", {Chunk("00db", frame(2)), Chunk("00dc", frame(3))}),
                                       Chunk("00dc", {}), Chunk("00dc", frame(4)), Chunk("00db", frame(5)),
                                       List("rec ", {Chunk("00dc", frame(6))}), Chunk("00dc", frame(7)),
                                       Chunk("00dc", frame(8))}),
                         Chunk("idx1", Payload(16, 3))});
}

// The same bytes, and the workers did the work: a pipeline that stopped
// delivering would leave every frame to the walker with the output unchanged.
TEST(ParallelConversion, OutputIsTheSameForEveryThreadCount)
{
    const struct {
        Bytes file;
        uint32_t framesWithData;
    } files[] = {{InterleavedFile(), 14}, {RecListFile(), 8}};
    for (const auto& [file, framesWithData] : files) {
        for (RotationMode mode : kModes) {
            const Converted single = ConvertBytes(file, mode, 1);
            ASSERT_TRUE(single.succeeded) << single.message;
            EXPECT_EQ(single.framesByWalker, framesWithData);
            EXPECT_EQ(single.framesFromWorkers, 0u);
            for (int32_t jobs : {2, 3, 8}) {
                const Converted parallel = ConvertBytes(file, mode, jobs);
                ASSERT_TRUE(parallel.succeeded) << parallel.message;
                EXPECT_EQ(parallel.framesConverted, single.framesConverted);
                EXPECT_TRUE(parallel.output == single.output)
                    << "mode " << static_cast<int>(mode) << ", " << jobs << " threads";
                EXPECT_EQ(parallel.framesFromWorkers, framesWithData) << jobs << " threads";
                EXPECT_EQ(parallel.framesByWalker, 0u) << jobs << " threads";
            }
        }
    }
}

// Frame 6 is damaged and frame 9 too short: frame 6 is reported, with the
// library's words, whatever the workers reached beyond it.
TEST(ParallelConversion, FirstDamagedFrameInFileOrderIsReported)
{
    std::vector<Bytes> frames;
    for (uint32_t i = 1; i <= 24; ++i)
        frames.push_back(EncodeTestJpeg(NoisePicture(48, 32, i)));
    Bytes& damaged = frames[5];
    for (size_t at = damaged.size() / 3; at < damaged.size(); at += 5)
        damaged[at] = 0xFF;
    frames[8].resize(12);
    std::vector<Bytes> chunks;
    for (const Bytes& frame : frames)
        chunks.push_back(Chunk("00dc", frame));
    const Bytes file = Riff("AVI ", {Header(48, 32, 24), Movi(chunks)});

    const Converted single = ConvertBytes(file, RotationMode::Clockwise90, 1);
    ASSERT_FALSE(single.succeeded);
    ASSERT_EQ(single.statusCode, status::kFrameDamaged);
    ASSERT_EQ(single.statusDetail, 6u);
    for (int32_t jobs : {2, 3, 8}) {
        const Converted parallel = ConvertBytes(file, RotationMode::Clockwise90, jobs);
        EXPECT_FALSE(parallel.succeeded);
        EXPECT_EQ(parallel.statusCode, single.statusCode) << jobs;
        EXPECT_EQ(parallel.statusDetail, single.statusDetail) << jobs;
        const auto words = [](const std::string& message) { return message.substr(message.find('\n')); };
        EXPECT_EQ(words(parallel.message), words(single.message)) << jobs;
        EXPECT_EQ(parallel.framesConverted, 5) << jobs;
        EXPECT_FALSE(parallel.destinationExists) << jobs;
        EXPECT_EQ(parallel.filesLeft, 1u) << jobs;
    }
}

// With salvage, frames that cannot be decoded repeat the frame written
// before them, the first a grey picture, for every thread count.
TEST(ParallelConversion, DamagedFramesRepeatTheFrameBeforeThemWithSalvage)
{
    std::vector<Bytes> frames;
    for (uint32_t i = 1; i <= 12; ++i)
        frames.push_back(EncodeTestJpeg(NoisePicture(48, 32, i)));
    for (size_t damaged : {size_t(0), size_t(5)})
        for (size_t at = frames[damaged].size() / 3; at < frames[damaged].size(); at += 5)
            frames[damaged][at] = 0xFF;
    frames[8].resize(12);
    std::vector<Bytes> chunks;
    for (const Bytes& frame : frames)
        chunks.push_back(Chunk("00dc", frame));
    const Bytes file = Riff("AVI ", {Header(48, 32, 12), Movi(chunks)});

    const Converted refused = ConvertBytes(file, RotationMode::MirrorX);
    EXPECT_EQ(refused.statusCode, status::kFrameDamaged);
    const Converted single = ConvertBytes(file, RotationMode::MirrorX, 1, RiffWriter::kDefaultSizeLimit, true);
    ASSERT_TRUE(single.succeeded) << single.message;
    EXPECT_EQ(single.framesConverted, 12);
    EXPECT_EQ(single.replacedFrames, "warning: " + single.sourcePath +
                                         ": 3 damaged frames replaced by the frame before each, the first frame 1");
    const ChunkNode tree = ParseRiffFile(single.output);
    const ChunkNode* movi = tree.Find("LIST", "movi");
    ASSERT_NE(movi, nullptr);
    const TestPicture grey = DecodeTestJpeg(movi->children[0].data);
    EXPECT_TRUE(std::all_of(grey.pixels.begin(), grey.pixels.end(), [](uint8_t v) { return v >= 127 && v <= 129; }));
    EXPECT_EQ(movi->children[5].data, movi->children[4].data);
    EXPECT_EQ(movi->children[8].data, movi->children[7].data);
    EXPECT_NE(movi->children[6].data, movi->children[5].data);
    for (int32_t jobs : {2, 3}) {
        const Converted parallel = ConvertBytes(file, RotationMode::MirrorX, jobs, RiffWriter::kDefaultSizeLimit, true);
        EXPECT_TRUE(parallel.output == single.output) << jobs << " threads";
    }
}

// A stop requested after the first frames ends the conversion long before
// its end; every worker is joined by the time RunConversion returns (the
// sanitizers see any thread or buffer left behind).
TEST(ParallelConversion, StopEndsTheConversionEarly)
{
    constexpr int32_t kFrames = 400;
    const std::vector<Bytes> chunks(kFrames, Chunk("00dc", EncodeTestJpeg(NoisePicture(96, 64, 3))));
    TempDir dir;
    WriteFile(dir / "in.avi", Riff("AVI ", {Header(96, 64, kFrames), Movi(chunks)}));

    for (int32_t jobs : {2, 8}) {
        ConversionStatus status;
        std::thread worker([&] {
            RunConversion(std::make_unique<ConversionJob>(ConversionJob{
                              (dir / "in.avi").string(), (dir / "out.avi").string(), RotationMode::Rotate180, jobs}),
                          status);
        });
        while (!status.Finished && status.FramesConverted < 3)
            std::this_thread::yield();
        status.StopRequested = true;
        worker.join();
        EXPECT_EQ(status.Result.outcome, Outcome::Stopped) << jobs;
        EXPECT_LT(status.FramesConverted, kFrames) << jobs;
        EXPECT_FALSE(std::filesystem::exists(dir / "out.avi"));
    }
}

}  // namespace
}  // namespace kestrel::test
