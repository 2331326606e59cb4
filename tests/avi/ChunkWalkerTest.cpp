// The walk over the RIFF tree: what is copied, how sizes are rebuilt, and the
// placement rules that refuse malformed files.

#include "avi/AviSamples.h"
#include "base/ByteOrder.h"
#include "base/StatusCode.h"
#include "job/RunConversion.h"
#include "support/ConversionRunner.h"

#include <gtest/gtest.h>

namespace kestrel::test {
namespace {

Bytes Hdrl() { return List("hdrl", {MainHeader({}), VideoStreamList()}); }

TEST(ChunkWalker, CopiesUnknownChunksAndListsByteForByte)
{
    const Bytes info = List("INFO", {Chunk("ISFT", {'a', 'b', 'c'}), Chunk("IART", {'x', 0})});
    const Bytes odml = List("odml", {Chunk("dmlh", Payload(248, 9))});
    const Bytes junk = Chunk("JUNK", Payload(7, 5));  // odd: one pad byte
    const Bytes source = Riff("AVI ", {Hdrl(), info, odml, junk, List("movi", {})});
    const Converted out = ConvertBytes(source, RotationMode::Rotate180);
    ASSERT_TRUE(out.succeeded) << out.message;
    const ChunkNode tree = ParseRiffFile(out.output);
    EXPECT_EQ(DumpTree(tree), "RIFF AVI  / LIST hdrl / avih 56 / LIST strl / strh 56 / strf 40 . . / LIST INFO / "
                              "ISFT 3 / IART 2 . / LIST odml / dmlh 248 . / JUNK 7 / LIST movi . .");
    // Everything behind hdrl is unchanged, pad bytes included, but for the
    // frame count of 'dmlh', which counts the output's frames: none.
    const size_t hdrlEnd = 12 + 8 + GetLe32(source, 16);
    Bytes expected(source.begin() + hdrlEnd, source.end());
    WriteLe32(expected.data() + info.size() + 12 + 8, 0);
    EXPECT_EQ(Bytes(out.output.begin() + hdrlEnd, out.output.end()), expected);
}

TEST(ChunkWalker, RebuildsRiffAndListSizesAndDropsTheOldIndex)
{
    const Converted out = ConvertBytes(HeaderOnlyAvi());
    ASSERT_TRUE(out.succeeded) << out.message;
    const ChunkNode tree = ParseRiffFile(out.output);  // checks every size
    EXPECT_EQ(GetLe32(out.output, 4), out.output.size() - 8);
    const ChunkNode* index = tree.Find("idx1");
    ASSERT_NE(index, nullptr);
    EXPECT_EQ(index->size, 2u * 16);  // one entry per stream data chunk, not the old 32 bytes of junk
    EXPECT_EQ(&tree.children.back(), index);
}

TEST(ChunkWalker, EmptyFileAndCutHeadersFailWithReadError)
{
    for (size_t keep : {size_t(0), size_t(3), size_t(6)}) {
        Bytes source = HeaderOnlyAvi();
        source.resize(keep);
        const Converted out = ConvertBytes(source);
        EXPECT_FALSE(out.succeeded);
        EXPECT_EQ(out.statusCode, status::kReadError) << keep;
        EXPECT_EQ(out.message, "Error reading file " + out.sourcePath + ": unexpected end of file");
    }
}

TEST(ChunkWalker, TruncatedFileIsRefusedAtTheChunkThatRunsPastItsEnd)
{
    for (size_t keep : {size_t(30), size_t(200)}) {
        Bytes source = HeaderOnlyAvi();
        source.resize(keep);
        const Converted out = ConvertBytes(source);
        EXPECT_FALSE(out.succeeded);
        EXPECT_EQ(out.statusCode, status::kChunkOverrun) << keep;
        EXPECT_EQ(out.message,
                  out.sourcePath + "\nis malformed: chunk 'RIFF' at offset 0 runs past the end of the file");
    }
}

// A child that claims more bytes than its list holds would swallow the
// chunks behind it: it is refused, naming the chunk, its offset and its list.
TEST(ChunkWalker, ChildRunningPastTheEndOfItsListIsRefused)
{
    Bytes info = List("INFO", {Chunk("ISFT", Payload(8, 'k'))});
    WriteLe32(info.data() + 12 + 4, 20);  // ISFT claims 20 bytes of the list's 12
    const Bytes source = Riff("AVI ", {info, Chunk("JUNK", Payload(16, 0))});
    const Converted out = ConvertBytes(source);
    EXPECT_FALSE(out.succeeded);
    EXPECT_EQ(out.statusCode, status::kChunkOverrun);
    EXPECT_EQ(out.message,
              out.sourcePath + "\nis malformed: chunk 'ISFT' at offset 24 runs past the end of its list 'INFO'");
}

TEST(ChunkWalker, NotARiffFile)
{
    const Converted out = ConvertBytes({'R', 'I', 'F', 'X', 4, 0, 0, 0, 'A', 'V', 'I', ' '});
    EXPECT_EQ(out.statusCode, status::kNotRiff);
    EXPECT_EQ(out.message, out.sourcePath + "\nis not a RIFF file (code is 'RIFX')");
    EXPECT_TRUE(out.output.empty());
}

TEST(ChunkWalker, NotAnAviFile)
{
    const Converted out = ConvertBytes(Riff("WAVE", {Chunk("fmt ", Payload(16, 0))}));
    EXPECT_EQ(out.statusCode, status::kNotAvi);
    EXPECT_EQ(out.message, out.sourcePath + "\nis not an AVI file (FCC code is 'WAVE')");
}

struct PlacementCase {
    const char* name;
    Bytes source;
    int32_t code;
    const char* messageTail;
};

class Placement : public ::testing::TestWithParam<PlacementCase> { };

TEST_P(Placement, IsRefusedWithItsMessageAndLeavesNoFileBehind)
{
    const PlacementCase& c = GetParam();
    const Converted out = ConvertBytes(c.source);
    EXPECT_FALSE(out.succeeded);
    EXPECT_EQ(out.statusCode, c.code);
    EXPECT_EQ(out.message, out.sourcePath + c.messageTail);
    // Neither the destination nor a temporary file: only the source is left.
    EXPECT_FALSE(out.destinationExists);
    EXPECT_EQ(out.filesLeft, 1u);
}

const Bytes kStrh = StreamHeader({});
const Bytes kStrf = VideoFormat({});

INSTANTIATE_TEST_SUITE_P(
    ChunkWalker, Placement,
    ::testing::Values(
        PlacementCase{"StrhInHdrl", Riff("AVI ", {List("hdrl", {MainHeader({}), kStrh})}), status::kStrhOutsideStrl,
                      "\nis malformed: stream header chunk 'strh' appears outside of stream list 'strl'"},
        PlacementCase{"StrhInRiff", Riff("AVI ", {kStrh}), status::kStrhOutsideStrl,
                      "\nis malformed: stream header chunk 'strh' appears outside of stream list 'strl'"},
        PlacementCase{"StrfInHdrl", Riff("AVI ", {List("hdrl", {kStrf})}), status::kStrfOutsideStrl,
                      "\nis malformed: stream format chunk 'strf' appears outside of stream list 'strl'"},
        PlacementCase{"StrdInHdrl", Riff("AVI ", {List("hdrl", {Chunk("strd", {1, 2})})}), status::kStrdOutsideStrl,
                      "\nis malformed: stream chunk 'strd' appears outside of stream list 'strl'"},
        PlacementCase{"StrnInRiff", Riff("AVI ", {Chunk("strn", {'a', 0})}), status::kStrnOutsideStrl,
                      "\nis malformed: stream chunk 'strn' appears outside of stream list 'strl'"},
        PlacementCase{"JunkBetweenStrhAndStrf",
                      Riff("AVI ", {List("hdrl", {List("strl", {kStrh, Chunk("JUNK", {0, 0}), kStrf})})}),
                      status::kStrfBeforeStrh,
                      "\nis malformed: stream format chunk 'strf' appears before stream header chunk 'strh'"},
        PlacementCase{"StrfFirstInStrl", Riff("AVI ", {List("hdrl", {List("strl", {kStrf})})}), status::kStrfBeforeStrh,
                      "\nis malformed: stream format chunk 'strf' appears before stream header chunk 'strh'"},
        PlacementCase{"IndexBeforeMovi", Riff("AVI ", {Chunk("idx1", {}), List("movi", {})}), status::kIdx1BeforeMovi,
                      "\nis malformed: index chunk 'idx1' appears before stream chunk list 'movi'"},
        PlacementCase{"FrameInHdrl", Riff("AVI ", {List("hdrl", {Chunk("00dc", {1, 2, 3, 4})})}),
                      status::kStreamChunkOutsideMovi,
                      "\nis malformed: stream chunk '00dc' appears outside of list 'movi' or 'rec '"},
        PlacementCase{"AudioInRiff", Riff("AVI ", {Chunk("01wb", {1, 2})}), status::kStreamChunkOutsideMovi,
                      "\nis malformed: stream chunk '01wb' appears outside of list 'movi' or 'rec '"},
        PlacementCase{"RecOutsideMovi", Riff("AVI ", {List("rec ", {})}), status::kRecOutsideMovi,
                      "\nis malformed: stream chunk list 'rec ' appears outside stream chunk list 'movie'"},
        PlacementCase{"FrameBeforeVideoFormat", Riff("AVI ", {List("movi", {Chunk("00dc", Payload(30, 1))})}),
                      status::kMoviBeforeStrl,
                      "\nis malformed: stream chunk list 'movi' appears before stream header list 'strl'"},
        PlacementCase{"ListTooShortForItsType", Riff("AVI ", {ChunkWithSize("LIST", 2, {'a', 'b'})}),
                      status::kChunkWrongSize, "\nis malformed: chunk 'LIST' has the wrong size"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ChunkWalker, StreamChunksInsideRecListsAreAccepted)
{
    const Bytes source =
        Riff("AVI ", {List("hdrl", {MainHeader({}), VideoStreamList(), AudioStreamList()}),
                      List("movi", {List("rec ", {Chunk("01wb", Payload(4, 1))}), Chunk("01wb", Payload(6, 2))})});
    const Converted out = ConvertBytes(source);
    ASSERT_TRUE(out.succeeded) << out.message;
    const ChunkNode tree = ParseRiffFile(out.output);
    ASSERT_NE(tree.Find("LIST", "rec "), nullptr);
    EXPECT_EQ(tree.Find("idx1")->size, 32u);
}

TEST(ChunkWalker, StopRequestedBeforeTheFirstChunkEndsAsStoppedNotFailed)
{
    TempDir dir;
    WriteFile(dir / "in.avi", HeaderOnlyAvi());
    ConversionStatus status;
    status.StopRequested = true;
    RunConversion(std::make_unique<ConversionJob>(
                      ConversionJob{(dir / "in.avi").string(), (dir / "out.avi").string(), RotationMode::MirrorX}),
                  status);
    EXPECT_TRUE(status.Finished);
    EXPECT_EQ(status.Result.outcome, Outcome::Stopped);
    EXPECT_FALSE(status.Failed());
    EXPECT_EQ(status.Result.failure.code, 0);
}

TEST(ChunkWalker, TrailingBytesThatAreNoRiffChunkAreIgnored)
{
    const Bytes source = Cat({HeaderOnlyAvi(), Bytes(5, 0)});
    const Converted out = ConvertBytes(source);
    EXPECT_TRUE(out.succeeded) << out.message;
}

}  // namespace
}  // namespace kestrel::test
