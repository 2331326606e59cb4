// The worker's procedure: opening both files, the status it leaves, and the
// texts of the status codes.

#include "job/JobPaths.h"
#include "job/RunConversion.h"
#include "base/StatusCode.h"
#include "support/ConversionRunner.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace kestrel::test {
namespace {


void Convert(const std::string& source, const std::string& destination, ConversionStatus& status)
{
    RunConversion(std::make_unique<ConversionJob>(ConversionJob{source, destination, RotationMode::MirrorX}), status);
}

TEST(RunConversion, MissingSourceLeavesAnEmptyDestination)
{
    TempDir dir;
    ConversionStatus status;
    const std::string source = (dir / "missing.avi").string();
    Convert(source, (dir / "out.avi").string(), status);
    EXPECT_TRUE(status.Failed());
    EXPECT_FALSE(status.StopRequested);
    EXPECT_EQ(status.Result.failure.code, status::kCantOpenSource);
    EXPECT_EQ(status.Result.failure.systemError, ENOENT);
    EXPECT_EQ(FormatStatusMessage(status.Result.failure.code, 0, source, "x"),
              "Couldn't open file " + source + " for reading");
    ASSERT_TRUE(std::filesystem::exists(dir / "out.avi"));
    EXPECT_EQ(std::filesystem::file_size(dir / "out.avi"), 0u);
}

TEST(RunConversion, DestinationInAMissingDirectory)
{
    TempDir dir;
    WriteFile(dir / "in.avi", Riff("AVI ", {}));
    ConversionStatus status;
    const std::string destination = (dir / "nowhere" / "out.avi").string();
    Convert((dir / "in.avi").string(), destination, status);
    EXPECT_TRUE(status.Failed());
    EXPECT_EQ(status.Result.failure.code, status::kCantOpenDestination);
    EXPECT_EQ(FormatStatusMessage(status.Result.failure.code, 0, "x", destination),
              "Couldn't open file " + destination + " for writing");
}

TEST(RunConversion, FailureToWriteTheLastBytesIsNoSuccess)
{
    TempDir dir;
    WriteFile(dir / "in.avi", Riff("AVI ", {List("INFO", {})}));
    ConversionStatus status;
    Convert((dir / "in.avi").string(), "/dev/full", status);
    EXPECT_TRUE(status.Failed());
    EXPECT_EQ(status.Result.failure.code, status::kWriteError);
    EXPECT_EQ(FormatStatusMessage(status.Result.failure.code, 0, "x", "/dev/full"), "Error writing file /dev/full");
}

TEST(RunConversion, SuccessLeavesTheFlagsForTheWatcher)
{
    TempDir dir;
    WriteFile(dir / "in.avi", Riff("AVI ", {List("INFO", {})}));
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
    EXPECT_EQ(FormatStatusMessage(status::kNotRiff, rifx, "a.avi", "b.avi"), "a.avi\nis not a RIFF file (code is 'RIFX')");
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

TEST(JobPaths, SameFileByLetterCaseOrByInode)
{
    EXPECT_TRUE(IsSameFile("/Clips/A.AVI", "/clips/a.avi"));
    EXPECT_FALSE(IsSameFile("/clips/a.avi", "/clips/b.avi"));
    TempDir dir;
    WriteFile(dir / "a.avi", {1});
    std::filesystem::create_directory(dir / "sub");
    EXPECT_TRUE(IsSameFile((dir / "a.avi").string(), (dir / "sub" / ".." / "a.avi").string()));
    EXPECT_TRUE(IsSameFile((dir / "a.avi").string(), MakeDestinationPath(dir.path().string() + "/", (dir / "a.avi").string())));
    std::filesystem::create_hard_link(dir / "a.avi", dir / "link.avi");
    EXPECT_TRUE(IsSameFile((dir / "a.avi").string(), (dir / "link.avi").string()));
    EXPECT_FALSE(IsSameFile((dir / "a.avi").string(), (dir / "new.avi").string()));
}

}  // namespace
}  // namespace kestrel::test
