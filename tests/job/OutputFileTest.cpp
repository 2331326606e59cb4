// The temporary file beside a destination: a name that fits wherever the
// destination's name does, cut short at a character's start.

#include "job/OutputFile.h"
#include "avi/ChunkStream.h"
#include "base/StatusCode.h"
#include "support/ConversionRunner.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace kestrel::test {
namespace {

struct NameCase {
    const char* what;
    std::string destination;  // the destination's file name
    size_t kept;              // its first bytes that the temporary name keeps
};

class TemporaryName : public ::testing::TestWithParam<NameCase> { };

TEST_P(TemporaryName, FitsTheFolderAndKeepsWholeCharacters)
{
    TempDir dir;
    const NameCase& c = GetParam();
    OutputFile output((dir / c.destination).string());
    ChunkStream stream;
    ASSERT_TRUE(output.Create(stream, 4096).Ok()) << c.what;
    const std::string name = std::filesystem::path(output.TemporaryPath()).filename().string();
    EXPECT_EQ(name.substr(0, 1 + c.kept), "." + c.destination.substr(0, c.kept)) << c.what;
    const std::string tag = name.substr(1 + c.kept);
    EXPECT_TRUE(tag.size() == 17 && tag.starts_with(".kestrel-") &&
                tag.find_first_not_of("0123456789abcdef", 9) == std::string::npos)
        << c.what << ": " << name;
}

const std::string kE = "\xc3\xa9";         // é, 2 bytes
const std::string kEuro = "\xe2\x82\xac";  // €, 3 bytes

std::string Repeat(const std::string& part, size_t times)
{
    std::string text;
    for (size_t i = 0; i < times; ++i)
        text += part;
    return text;
}

INSTANTIATE_TEST_SUITE_P(
    OutputFile, TemporaryName,
    ::testing::Values(NameCase{"short", "clip.avi", 8}, NameCase{"237 bytes", std::string(233, 'a') + ".avi", 237},
                      NameCase{"238 bytes", std::string(234, 'a') + ".avi", 237},
                      NameCase{"255 bytes", std::string(251, 'a') + ".avi", 237},
                      NameCase{"2-byte characters", Repeat(kE, 123) + ".avi", 236},
                      NameCase{"3-byte characters", Repeat(kEuro, 82) + ".avi", 237},
                      NameCase{"3-byte characters, cut at 2", "a" + Repeat(kEuro, 82) + ".avi", 235}));

TEST(OutputFile, DestinationNameTooLongForItsFolderFailsBeforeWriting)
{
    TempDir dir;
    OutputFile output((dir / std::string(256, 'a')).string());
    ChunkStream stream;
    const Status created = output.Create(stream, 4096);
    EXPECT_EQ(created.failure().code, status::kCantOpenDestination);
    EXPECT_EQ(created.failure().systemError, ENAMETOOLONG);
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

}  // namespace
}  // namespace kestrel::test
