// The worker's procedure: opening both files, the status it leaves, and the
// texts of the status codes.

#include "job/RunConversion.h"
#include "avi/AviSamples.h"
#include "base/StatusCode.h"
#include "job/JobPaths.h"
#include "support/ConversionRunner.h"
#include "support/TestJpeg.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <thread>

namespace kestrel::test {
namespace {

void Convert(const std::string& source, const std::string& destination, ConversionStatus& status)
{
    RunConversion(std::make_unique<ConversionJob>(ConversionJob{source, destination, RotationMode::MirrorX}), status);
}

// A clip of `frames` 64 x 48 frames, with audio between them; the last
// frame is garbage when `damagedLast`.
Bytes Clip(uint32_t frames, bool damagedLast = false)
{
    VideoFormatFields format;
    format.width = 64;
    format.height = 48;
    MainHeaderFields main;
    main.totalFrames = frames;
    main.streams = 2;
    Bytes movi = {'m', 'o', 'v', 'i'};
    for (uint32_t i = 0; i < frames; ++i)
        movi = Cat({movi,
                    Chunk("00dc", damagedLast && i + 1 == frames ? Payload(400, 9)
                                                                 : EncodeTestJpeg(NoisePicture(64, 48, i + 1))),
                    Chunk("01wb", Payload(33, 1))});
    return Riff("AVI ",
                {List("hdrl", {MainHeader(main), VideoStreamList(format), AudioStreamList()}), Chunk("LIST", movi)});
}

std::vector<std::string> Listing(const std::filesystem::path& dir)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// Each way a conversion can end early, with a good clip.avi already in
// place: the old file stays byte for byte, no temporary file is left, and
// the source is unchanged.
enum class Ending { MissingSource, DamagedFrame, StoppedMidway, WriteFails };

class EarlyEnd : public ::testing::TestWithParam<Ending> { };

TEST_P(EarlyEnd, LeavesTheOldDestinationAndNoTemporaryFile)
{
    TempDir dir;
    std::filesystem::create_directory(dir / "out");
    const Bytes old = Payload(5000, 9);
    WriteFile(dir / "out" / "clip.avi", old);
    // Long enough that the stop comes before the end in an optimised build
    // on a loaded machine too, where the stopping thread may wait for a core.
    const uint32_t frames = GetParam() == Ending::StoppedMidway ? 2000 : 40;
    const Bytes source = Clip(frames, GetParam() == Ending::DamagedFrame);
    const std::string sourcePath = (dir / "clip.avi").string();
    if (GetParam() != Ending::MissingSource)
        WriteFile(sourcePath, source);

    ConversionStatus status;
    std::thread stopper;
    if (GetParam() == Ending::StoppedMidway)
        stopper = std::thread([&] {
            while (status.FramesConverted < 2 && !status.Finished)
                std::this_thread::yield();
            status.StopRequested = true;
        });
    rlimit limit{};
    if (GetParam() == Ending::WriteFails) {
        // The file system refuses to grow the file past 8 KiB, as a full disk would.
        std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &limit);
        rlimit small = limit;
        small.rlim_cur = 8192;
        setrlimit(RLIMIT_FSIZE, &small);
    }
    RunConversion(std::make_unique<ConversionJob>(
                      ConversionJob{sourcePath, (dir / "out" / "clip.avi").string(), RotationMode::Clockwise90}),
                  status);
    if (GetParam() == Ending::WriteFails)
        setrlimit(RLIMIT_FSIZE, &limit);
    if (stopper.joinable())
        stopper.join();

    const Failure& failure = status.Result.failure;
    switch (GetParam()) {
    case Ending::MissingSource:
        EXPECT_EQ(failure.code, status::kCantOpenSource);
        EXPECT_EQ(FormatFailure(failure, sourcePath, ""),
                  "Couldn't open file " + sourcePath + " for reading: No such file or directory");
        break;
    case Ending::DamagedFrame:
        EXPECT_EQ(failure.code, status::kFrameDamaged);
        EXPECT_EQ(failure.detail, 40u);
        break;
    case Ending::StoppedMidway:
        EXPECT_EQ(status.Result.outcome, Outcome::Stopped);
        EXPECT_GE(status.FramesConverted, 2);
        EXPECT_LT(status.FramesConverted, frames);
        break;
    case Ending::WriteFails:
        EXPECT_EQ(failure.code, status::kWriteError);
        EXPECT_EQ(FormatFailure(failure, "", "out/clip.avi"), "Error writing file out/clip.avi: File too large");
        break;
    }
    EXPECT_FALSE(status.Succeeded());
    EXPECT_EQ(ReadFile(dir / "out" / "clip.avi"), old);
    EXPECT_EQ(Listing(dir / "out"), std::vector<std::string>{"clip.avi"});
    if (GetParam() != Ending::MissingSource) {
        EXPECT_EQ(ReadFile(sourcePath), source);
    }
}

std::string EndingName(const ::testing::TestParamInfo<Ending>& info)
{
    constexpr const char* kNames[] = {"MissingSource", "DamagedFrame", "StoppedMidway", "WriteFails"};
    return kNames[static_cast<int>(info.param)];
}

INSTANTIATE_TEST_SUITE_P(RunConversion, EarlyEnd,
                         ::testing::Values(Ending::MissingSource, Ending::DamagedFrame, Ending::StoppedMidway,
                                           Ending::WriteFails),
                         EndingName);

TEST(RunConversion, SuccessReplacesTheDestinationWithPermissionsFromTheUmask)
{
    TempDir dir;
    WriteFile(dir / "in.avi", Clip(3));
    WriteFile(dir / "out.avi", Payload(10, 1));
    std::filesystem::permissions(dir / "out.avi",
                                 std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    const mode_t mask = umask(022);
    ConversionStatus status;
    Convert((dir / "in.avi").string(), (dir / "out.avi").string(), status);
    umask(mask);
    ASSERT_TRUE(status.Succeeded()) << FormatFailure(status.Result.failure, "in", "out");
    EXPECT_EQ(Listing(dir.path()), (std::vector<std::string>{"in.avi", "out.avi"}));
    EXPECT_GT(std::filesystem::file_size(dir / "out.avi"), 10u);
    EXPECT_EQ(std::filesystem::status(dir / "out.avi").permissions() & std::filesystem::perms::all,
              std::filesystem::perms(0644));
}

// In place: the source is replaced only by a finished file, which keeps the
// source's permission bits; a damaged source stays as it was, alone.
TEST(RunConversion, InPlaceReplacesTheSourceOnlyWhenFinished)
{
    TempDir dir;
    const std::string path = (dir / "clip.avi").string();
    for (const bool damaged : {true, false}) {
        const Bytes source = Clip(3, damaged);
        WriteFile(path, source);
        std::filesystem::permissions(path, std::filesystem::perms(0640));
        ConversionStatus status;
        ConversionJob job{path, path, RotationMode::MirrorY};
        job.replacesSource = true;
        RunConversion(std::make_unique<ConversionJob>(job), status);
        EXPECT_EQ(status.Succeeded(), !damaged) << FormatFailure(status.Result.failure, path, path);
        EXPECT_EQ(Listing(dir.path()), std::vector<std::string>{"clip.avi"});
        EXPECT_EQ(ReadFile(path) == source, damaged);
        EXPECT_EQ(std::filesystem::status(path).permissions() & std::filesystem::perms::all,
                  std::filesystem::perms(0640));
    }
}

// A device, directory or FIFO under the destination's name is never
// replaced by the finished file (as root, a rename would replace /dev/full).
TEST(RunConversion, DestinationThatIsNoRegularFileIsRefused)
{
    TempDir dir;
    WriteFile(dir / "in.avi", Clip(1));
    std::filesystem::create_directory(dir / "folder.avi");
    for (const std::string& destination : {std::string("/dev/null"), (dir / "folder.avi").string()}) {
        ConversionStatus status;
        Convert((dir / "in.avi").string(), destination, status);
        EXPECT_EQ(status.Result.failure.code, status::kDestinationNotAFile) << destination;
    }
    EXPECT_TRUE(std::filesystem::is_character_file("/dev/null"));
    EXPECT_TRUE(std::filesystem::is_directory(dir / "folder.avi"));
}

TEST(RunConversion, DestinationInAMissingDirectory)
{
    TempDir dir;
    WriteFile(dir / "in.avi", Riff("AVI ", {}));
    ConversionStatus status;
    const std::string destination = (dir / "nowhere" / "out.avi").string();
    Convert((dir / "in.avi").string(), destination, status);
    EXPECT_TRUE(status.Failed());
    EXPECT_EQ(FormatFailure(status.Result.failure, "x", destination),
              "Couldn't open file " + destination + " for writing: No such file or directory");
}

TEST(RunConversion, SuccessLeavesTheFlagsForTheWatcher)
{
    TempDir dir;
    WriteFile(dir / "in.avi", HeaderOnlyAvi());
    ConversionStatus status;
    Convert((dir / "in.avi").string(), (dir / "out.avi").string(), status);
    EXPECT_FALSE(status.StopRequested);
    EXPECT_TRUE(status.Succeeded());
    EXPECT_EQ(status.ProgressPercent, 100);
    EXPECT_EQ(status.Result.failure.code, 0);
}

TEST(StatusMessages, FourCCsPrintInFileOrderAndCodeZeroHasNoText)
{
    const uint32_t rifx = 'R' | 'I' << 8 | 'F' << 16 | uint32_t('X') << 24;
    EXPECT_EQ(FormatStatusMessage(status::kNotRiff, rifx, "a.avi", "b.avi"),
              "a.avi\nis not a RIFF file (code is 'RIFX')");
    EXPECT_EQ(FormatStatusMessage(0, rifx, "a.avi", "b.avi"), "");
    EXPECT_EQ(FormatStatusMessage(7, 0, "a.avi", "b.avi"), "");
}

TEST(StatusMessages, LongPathsAreNotCut)
{
    const std::string path(5000, 'p');
    EXPECT_EQ(FormatStatusMessage(status::kReadError, 0, path, ""), "Error reading file " + path);
}

TEST(JobPaths, DestinationIsTheDirectoryAndTheSourceFileName)
{
    EXPECT_EQ(MakeDestinationPath("/out", "/clips/a.avi"), "/out/a.avi");
    EXPECT_EQ(MakeDestinationPath("/out/", "/clips/a.avi"), "/out//a.avi");
    EXPECT_EQ(MakeDestinationPath("", "/clips/a.avi"), "/a.avi");
    EXPECT_EQ(MakeDestinationPath("out", "a.avi"), "out/a.avi");
}

TEST(JobPaths, SameFileByPathOrByInode)
{
#if defined(_WIN32) || defined(__APPLE__)
    EXPECT_TRUE(IsSameFile("/Clips/A.AVI", "/clips/a.avi"));
#else
    // Two folders on a file system that tells letter case apart.
    EXPECT_FALSE(IsSameFile("SUB/clip.avi", "sub/clip.avi"));
#endif
    EXPECT_TRUE(IsSameFile("/clips/./a.avi", "/clips/a.avi"));
    EXPECT_FALSE(IsSameFile("/clips/a.avi", "/clips/b.avi"));
    TempDir dir;
    WriteFile(dir / "a.avi", {1});
    std::filesystem::create_directory(dir / "sub");
    EXPECT_TRUE(IsSameFile((dir / "a.avi").string(), (dir / "sub" / ".." / "a.avi").string()));
    EXPECT_TRUE(
        IsSameFile((dir / "a.avi").string(), MakeDestinationPath(dir.path().string() + "/", (dir / "a.avi").string())));
    std::filesystem::create_hard_link(dir / "a.avi", dir / "link.avi");
    EXPECT_TRUE(IsSameFile((dir / "a.avi").string(), (dir / "link.avi").string()));
    EXPECT_FALSE(IsSameFile((dir / "a.avi").string(), (dir / "new.avi").string()));
}

TEST(JobPaths, OutputDirectoryIsNamedAndCreatedWithItsParents)
{
    EXPECT_EQ(FormatFailure(PrepareOutputDirectory("").failure(), "", ""),
              "No output directory is given: please choose one");
    TempDir dir;
    const std::string nested = (dir / "a" / "b").string();
    EXPECT_TRUE(PrepareOutputDirectory(nested).Ok());
    EXPECT_TRUE(std::filesystem::is_directory(nested));
    WriteFile(dir / "file", {1});
    const std::string underFile = (dir / "file" / "c").string();
    const Status refused = PrepareOutputDirectory(underFile);
    ASSERT_TRUE(refused.IsFailed());
    EXPECT_EQ(FormatFailure(refused.failure(), "", underFile),
              "Couldn't create the output directory " + underFile + ": Not a directory");
}

TEST(JobPaths, SourcesOfOneNameClashInOneOutputDirectory)
{
    const auto clash = FindDestinationClash({"a/clip.avi", "b/other.avi", "c/clip.avi"}, "out");
    ASSERT_TRUE(clash);
    EXPECT_EQ(clash->first, 0u);
    EXPECT_EQ(clash->second, 2u);
    EXPECT_FALSE(FindDestinationClash({"a/clip.avi", "b/other.avi"}, "out"));
    EXPECT_EQ(DestinationClashMessage("a/clip.avi", "c/clip.avi", "out/clip.avi"),
              "a/clip.avi and c/clip.avi would both be written to out/clip.avi");
}

TEST(StatusMessages, UnprintableFourCCBytesAreEscaped)
{
    EXPECT_EQ(FormatStatusMessage(status::kNotRiff, 0x20010203, "a.avi", ""),
              "a.avi\nis not a RIFF file (code is '\\x03\\x02\\x01 ')");
}

}  // namespace
}  // namespace kestrel::test
