// The platform's file layer on this system: UTF-8 paths, the kind of what
// stands under a path, the replacing rename, and the 32-bit-safe size sum.

#include "job/PlatformFiles.h"
#include "base/FilePath.h"
#include "base/SizeMath.h"
#include "support/ConversionRunner.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <limits>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace kestrel::test {
namespace {

void WriteText(const std::string& path, const std::string& text)
{
    std::ofstream(PathFromUtf8(path), std::ios::binary) << text;
}

std::string ReadText(const std::string& path)
{
    std::ifstream in(PathFromUtf8(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(PlatformFiles, KindOfEachPath)
{
    TempDir dir;
    const std::string base = dir.path().string();
    WriteText(base + "/file.avi", "RIFF");
    std::filesystem::create_directory(dir / "folder.avi");
    ASSERT_EQ(mkfifo((base + "/fifo.avi").c_str(), 0600), 0);
    std::filesystem::create_symlink(dir / "file.avi", dir / "link.avi");
    const int unixSocket = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string socketPath = base + "/socket.avi";
    ASSERT_LT(socketPath.size(), sizeof address.sun_path);
    std::copy(socketPath.begin(), socketPath.end(), address.sun_path);
    ASSERT_EQ(bind(unixSocket, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);

    const struct {
        std::string path;
        PathKind kind;
    } cases[] = {
        {base + "/file.avi", PathKind::RegularFile},
        {base + "/link.avi", PathKind::RegularFile},
        {base + "/folder.avi", PathKind::Directory},
        {base + "/fifo.avi", PathKind::Fifo},
        {socketPath, PathKind::Socket},
        {"/dev/null", PathKind::Device},
        {base + "/missing.avi", PathKind::Absent},
        {base + "/file.avi/below", PathKind::Absent},
    };
    for (const auto& c : cases)
        EXPECT_EQ(KindOfPath(c.path), c.kind) << c.path;
    close(unixSocket);
}

TEST(PlatformFiles, RenameOntoReplacesOrSaysWhyNot)
{
    TempDir dir;
    const std::string base = dir.path().string();
    const struct {
        const char* what;
        bool sourceExists;
        bool destinationExists;
        int error;  // errno, 0 for success
    } cases[] = {
        {"over an existing file", true, true, 0},
        {"to a new name", true, false, 0},
        {"of a missing file", false, true, ENOENT},
    };
    for (const auto& c : cases) {
        const std::string from = base + "/.Färbung.avi.kestrel-1", to = base + "/Färbung.avi";
        std::filesystem::remove(PathFromUtf8(to));
        if (c.sourceExists)
            WriteText(from, "new");
        if (c.destinationExists)
            WriteText(to, "old");
        const std::error_code error = RenameOnto(from, to);
        EXPECT_EQ(error.value(), c.error) << c.what;
        EXPECT_EQ(ReadText(to), c.error == 0 ? "new" : "old") << c.what;
        EXPECT_FALSE(std::filesystem::exists(PathFromUtf8(from))) << c.what;
    }
}

TEST(FilePath, Utf8NamesReachTheFileSystemUnchanged)
{
    TempDir dir;
    for (const std::string name : {"clip.avi", "Fähre Κρήτη 日本.avi", "tab\there.avi"}) {
        const std::string path = Utf8FromPath(dir.path() / PathFromUtf8(name));
        EXPECT_EQ(Utf8FromPath(PathFromUtf8(path).filename()), name);
        std::FILE* created = OpenFile(path, "wbx");
        ASSERT_NE(created, nullptr) << name;
        std::fclose(created);
        // The exclusive create refuses a file that exists.
        errno = 0;
        EXPECT_EQ(OpenFile(path, "wbx"), nullptr) << name;
        EXPECT_EQ(errno, EEXIST) << name;
        EXPECT_EQ(KindOfPath(path), PathKind::RegularFile) << name;
    }
}

TEST(FilePath, LastSeparatorEndsTheFolderPart)
{
    const struct {
        std::string_view path;
        size_t separator;
    } cases[] = {
        {"clip.avi", std::string_view::npos},
        {"card/clip.avi", 4},
        {"/media/card/clip.avi", 11},
        {"card/", 4},
#ifdef _WIN32
        {"card\\clip.avi", 4},
        {"C:\\media/card\\clip.avi", 13},
#else
        {"card\\clip.avi", std::string_view::npos},  // a name character on Linux
        {"/media/card\\clip.avi", 6},
#endif
    };
    for (const auto& c : cases)
        EXPECT_EQ(LastSeparator(c.path), c.separator) << c.path;
}

TEST(SizeMath, SizeSumRefusesWhatSizeTCannotHold)
{
    constexpr uint64_t kLargest = std::numeric_limits<size_t>::max();
    constexpr bool k32Bit = sizeof(size_t) == 4;
    const struct {
        uint64_t a, b;
        std::optional<size_t> sum;
    } cases[] = {
        {0, 0, 0},
        {420, 1000, 1420},
        {kLargest - 420, 420, static_cast<size_t>(kLargest)},
        {kLargest - 419, 420, std::nullopt},
        {kLargest, 1, std::nullopt},
        {1, kLargest, std::nullopt},
        {std::numeric_limits<uint64_t>::max(), 0, k32Bit ? std::nullopt : std::optional<size_t>(kLargest)},
        // A frame chunk of nearly 4 GiB behind the transcoder's 420 bytes.
        {420, 0xFFFFFFFFu, k32Bit ? std::nullopt : std::optional<size_t>(0x1000001A3u)},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SizeSum(c.a, c.b), c.sum) << c.a << " + " << c.b;
}

}  // namespace
}  // namespace kestrel::test
