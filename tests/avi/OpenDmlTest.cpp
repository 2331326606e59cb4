// Files of several RIFF chunks: OpenDML sources are read through their
// 'AVIX' chunks, and outputs past the RIFF size limit are written in the
// OpenDML layout with standard and super indexes that point at the chunks.

#include "avi/AviSamples.h"
#include "avi/ChunkStream.h"
#include "avi/RiffWriter.h"
#include "avi/VideoFrameReader.h"
#include "base/StatusCode.h"
#include "support/ConversionRunner.h"
#include "support/TestJpeg.h"

#include <gtest/gtest.h>

#include <map>

namespace kestrel::test {
namespace {

constexpr int32_t kWidth = 48;
constexpr int32_t kHeight = 32;
constexpr size_t kFrames = 12;

Bytes ListOf(std::string_view listType, const std::vector<Bytes>& children)
{
    Bytes body(listType.begin(), listType.end());
    for (const Bytes& child : children)
        body.insert(body.end(), child.begin(), child.end());
    return Chunk("LIST", body);
}

// The stream data of a clip: frames with an audio chunk behind each.
std::vector<Bytes> DataChunks(size_t frames)
{
    std::vector<Bytes> chunks;
    for (size_t n = 0; n < frames; ++n) {
        chunks.push_back(Chunk("00dc", EncodeTestJpeg(NoisePicture(kWidth, kHeight, uint32_t(n + 1)))));
        chunks.push_back(Chunk("01wb", Payload(41 + n, uint8_t(n))));
    }
    return chunks;
}

// Header list; `indxRoom` > 0 gives every stream list an 'indx' chunk of
// that size and the header list an 'odml' list, as OpenDML writers do.
Bytes Hdrl(uint32_t indxRoom, uint32_t firstRiffFrames, uint32_t allFrames)
{
    MainHeaderFields main;
    main.totalFrames = firstRiffFrames;
    main.streams = 2;
    VideoFormatFields format;
    format.width = kWidth;
    format.height = kHeight;
    if (indxRoom == 0)
        return List("hdrl", {MainHeader(main), VideoStreamList(format), AudioStreamList()});
    Bytes frames;
    PutLe32(frames, allFrames);
    return List("hdrl",
                {MainHeader(main),
                 List("strl", {StreamHeader({}), VideoFormat(format), Chunk("indx", Bytes(indxRoom, 0))}),
                 List("strl", {StreamHeader(AudioStreamHeader()), AudioFormat(), Chunk("indx", Bytes(indxRoom, 0))}),
                 List("odml", {Chunk("dmlh", Cat({frames, Bytes(244, 0)}))})});
}

Bytes SingleRiffSource(uint32_t indxRoom)
{
    return Riff("AVI ", {Hdrl(indxRoom, kFrames, kFrames), ListOf("movi", DataChunks(kFrames))});
}

std::vector<const ChunkNode*> DataIn(const ChunkNode& movi)
{
    std::vector<const ChunkNode*> data;
    for (const ChunkNode& child : movi.children)
        if (child.id != "JUNK" && !child.id.starts_with("ix"))
            data.push_back(&child);
    return data;
}

const ChunkNode* At(const std::vector<ChunkNode>& riffs, uint64_t offset)
{
    for (const ChunkNode& riff : riffs)
        for (const ChunkNode& list : riff.children)
            for (const ChunkNode& chunk : list.children)
                if (chunk.offset == offset)
                    return &chunk;
    return nullptr;
}

const ChunkNode* RiffHolding(const std::vector<ChunkNode>& riffs, uint64_t offset)
{
    for (const ChunkNode& riff : riffs)
        if (offset >= riff.offset && offset < riff.offset + 8 + riff.size)
            return &riff;
    return nullptr;
}

// Checks the OpenDML layout of `output` and returns its stream data chunks
// in file order.
std::vector<const ChunkNode*> CheckOpenDml(const std::vector<ChunkNode>& riffs)
{
    std::vector<const ChunkNode*> all;
    std::vector<size_t> firstRiffData;
    for (size_t r = 0; r < riffs.size(); ++r) {
        EXPECT_EQ(riffs[r].listType, r == 0 ? "AVI " : "AVIX");
        const ChunkNode* movi = riffs[r].Find("LIST", "movi");
        EXPECT_NE(movi, nullptr);
        if (!movi)
            return all;
        const std::vector<const ChunkNode*> data = DataIn(*movi);
        EXPECT_FALSE(data.empty()) << "RIFF " << r;
        all.insert(all.end(), data.begin(), data.end());
        if (r == 0)
            firstRiffData.push_back(data.size());
        EXPECT_EQ(riffs[r].Find("idx1") != nullptr, r == 0) << "idx1 belongs to the first RIFF only";
    }
    const ChunkNode& first = riffs[0];
    const ChunkNode* idx1 = first.Find("idx1");
    EXPECT_EQ(idx1 ? idx1->size / 16 : 0, firstRiffData.front());

    // Each stream's super index lists a standard index per RIFF; each of
    // those lists the stream's chunks of that RIFF, by offset and size.
    const ChunkNode* hdrl = first.Find("LIST", "hdrl");
    std::map<std::string, size_t> indexed;
    size_t streams = 0;
    for (const ChunkNode& strl : hdrl->children) {
        if (strl.listType != "strl")
            continue;
        const ChunkNode* indx = strl.Find("indx");
        EXPECT_NE(indx, nullptr) << "stream " << streams;
        if (!indx)
            continue;
        ++streams;
        EXPECT_EQ(indx->data[3], 0) << "an index of indexes";
        const uint32_t entries = GetLe32(indx->data, 4);
        EXPECT_LE(entries, riffs.size());
        for (uint32_t e = 0; e < entries; ++e) {
            const size_t at = 24 + size_t(e) * 16;
            uint64_t offset = GetLe32(indx->data, at) | uint64_t(GetLe32(indx->data, at + 4)) << 32;
            const ChunkNode* ix = At(riffs, offset);
            EXPECT_NE(ix, nullptr) << "super index entry " << e;
            if (!ix)
                continue;
            EXPECT_TRUE(ix->id.starts_with("ix"));
            EXPECT_EQ(GetLe32(indx->data, at + 8), ix->size + 8);
            EXPECT_EQ(ix->data[3], 1) << "an index of chunks";
            const uint32_t count = GetLe32(ix->data, 4);
            const std::string chunkId(ix->data.begin() + 8, ix->data.begin() + 12);
            const uint64_t base = GetLe32(ix->data, 12) | uint64_t(GetLe32(ix->data, 16)) << 32;
            EXPECT_EQ(base, RiffHolding(riffs, ix->offset)->offset) << "counted from its own RIFF";
            for (uint32_t c = 0; c < count; ++c) {
                const ChunkNode* chunk = At(riffs, base + GetLe32(ix->data, 24 + c * 8) - 8);
                EXPECT_NE(chunk, nullptr) << chunkId << " entry " << c;
                if (!chunk)
                    continue;
                EXPECT_EQ(chunk->id, chunkId);
                EXPECT_EQ(GetLe32(ix->data, 28 + c * 8), chunk->size) << "a key frame of this size";
                ++indexed[chunk->id];
            }
        }
    }
    EXPECT_EQ(streams, 2u);
    for (const ChunkNode* chunk : all)
        --indexed[chunk->id];
    for (const auto& [id, surplus] : indexed)
        EXPECT_EQ(surplus, 0u) << id << " chunks indexed more or less than once";

    const ChunkNode* dmlh = first.Find("dmlh");
    EXPECT_NE(dmlh, nullptr);
    if (dmlh) {
        EXPECT_EQ(GetLe32(dmlh->data, 0), kFrames);
    }
    const ChunkNode* avih = first.Find("avih");
    size_t firstFrames = 0;
    for (size_t i = 0; i < firstRiffData.front(); ++i)
        firstFrames += all[i]->id == "00dc" ? 1 : 0;
    EXPECT_EQ(GetLe32(avih->data, 16), firstFrames) << "the main header counts the first RIFF's frames";
    return all;
}

void ExpectSameStreamData(const std::vector<const ChunkNode*>& data, const std::vector<Bytes>& source)
{
    ASSERT_EQ(data.size(), source.size());
    for (size_t i = 0; i < data.size(); ++i) {
        EXPECT_EQ(data[i]->id, std::string(source[i].begin(), source[i].begin() + 4)) << i;
        if (data[i]->id == "01wb") {
            EXPECT_EQ(data[i]->data, Bytes(source[i].begin() + 8, source[i].begin() + 8 + data[i]->size)) << i;
        }
    }
}

class OpenDmlOutput : public testing::TestWithParam<uint32_t> { };

// Sources without room for the indexes (the writer leaves it) and with an
// OpenDML writer's 'indx' chunks and 'odml' list (used in place).
INSTANTIATE_TEST_SUITE_P(Rooms, OpenDmlOutput, testing::Values(0u, 4120u));

TEST_P(OpenDmlOutput, PastTheLimitTheFileGoesOnInAvixChunksThatItsIndexesDescribe)
{
    const Bytes source = SingleRiffSource(GetParam());
    const std::vector<Bytes> data = DataChunks(kFrames);

    // Within the limit: one RIFF chunk, and no room added.
    const Converted whole = ConvertBytes(source, RotationMode::Clockwise90);
    ASSERT_TRUE(whole.succeeded) << whole.message;
    const std::string tree = DumpTree(ParseRiffFile(whole.output));
    EXPECT_EQ(tree.find("indx"), std::string::npos) << tree;
    EXPECT_EQ(tree.find("JUNK 4120"), GetParam() ? tree.find("JUNK") : std::string::npos) << tree;

    const uint64_t limit = source.size() / 4;
    const Converted split = ConvertBytes(source, RotationMode::Clockwise90, 1, limit);
    ASSERT_TRUE(split.succeeded) << split.message;
    const std::vector<ChunkNode> riffs = ParseRiffChunks(split.output);
    EXPECT_GE(riffs.size(), 4u);
    for (size_t r = 1; r < riffs.size(); ++r)
        EXPECT_LE(riffs[r].size, limit + 1024) << "RIFF at " << riffs[r].offset;
    ExpectSameStreamData(CheckOpenDml(riffs), data);
    EXPECT_EQ(split.progress, 100);

    // The same bytes with frames transcoded side by side.
    EXPECT_EQ(ConvertBytes(source, RotationMode::Clockwise90, 3, limit).output, split.output);
}

TEST(OpenDmlRoom, AFullSuperIndexEndsTheSplitting)
{
    // Room for two super index entries: two RIFF chunks, the second larger.
    const Bytes source = SingleRiffSource(24 + 2 * 16);
    const Converted out = ConvertBytes(source, RotationMode::Rotate180, 1, source.size() / 4);
    ASSERT_TRUE(out.succeeded) << out.message;
    const std::vector<ChunkNode> riffs = ParseRiffChunks(out.output);
    EXPECT_EQ(riffs.size(), 2u);
    ExpectSameStreamData(CheckOpenDml(riffs), DataChunks(kFrames));
}

// Behind the first RIFF chunk a chunk of 2 GiB or more has no standard index
// entry: the file fails rather than leave it out.
TEST(OpenDmlRoom, AChunkNoStandardIndexCanHoldIsAnErrorBehindTheFirstRiff)
{
    const TempDir dir;
    ChunkStream out;
    ASSERT_TRUE(out.Open((dir / "out.avi").string(), ChunkStream::Mode::Write, 4096));
    RiffWriter writer(out);
    writer.Configure(100, true);
    writer.BeginFirstRiff();
    writer.NoteStream(0, MakeFourCC("vids"), 0);
    ASSERT_TRUE(writer.EndStreamList(0).Ok());
    ASSERT_TRUE(writer.EndHeaderList().Ok());
    writer.BeginMovi();
    const uint8_t frame[10] = {};
    ASSERT_TRUE(writer.WriteDataChunk(MakeFourCC("00dc"), 0x10, RiffWriter::Data::VideoFrame, frame, 10).Ok());
    const uint64_t start = writer.BeginDataChunk(MakeFourCC("00dc"), 0x10, RiffWriter::Data::VideoFrame, 1u << 31);
    EXPECT_EQ(writer.RiffCount(), 2u);
    EXPECT_EQ(writer.EndChunk(start).failure().code, status::kUnindexableChunk);
}

// A source of two RIFF chunks, half of the frames in each, and its data chunks.
Bytes AvixSource(const std::vector<Bytes>& data)
{
    const std::vector<Bytes> firstHalf(data.begin(), data.begin() + kFrames);
    std::vector<Bytes> secondHalf(data.begin() + kFrames, data.end());
    secondHalf.push_back(Chunk("ix00", Bytes(32, 0)));
    return Cat({Riff("AVI ", {Hdrl(4120, kFrames / 2, kFrames), ListOf("movi", firstHalf),
                              Chunk("idx1", Payload(16 * kFrames, 9))}),
                Riff("AVIX", {ListOf("movi", secondHalf)})});
}

// Writers leave a 'JUNK' chunk or zero bytes between RIFF chunks: the walk
// steps over them. Anything else ends it, and the bytes left are reported.
TEST(OpenDmlInput, WhatStandsBetweenRiffChunks)
{
    const std::vector<Bytes> data = DataChunks(kFrames);
    const Bytes source = AvixSource(data);
    const size_t firstEnd = ParseRiffChunks(source)[1].offset;
    const Bytes first(source.begin(), source.begin() + std::ptrdiff_t(firstEnd));
    const Bytes second(source.begin() + std::ptrdiff_t(firstEnd), source.end());
    struct Case {
        const char* gap;
        Bytes bytes;
        int32_t frames;
        std::string warning;
    };
    const auto grouped = [](size_t value) {
        std::string digits = std::to_string(value);
        for (size_t at = digits.size(); at > 3; at -= 3)
            digits.insert(at - 3, ",");
        return digits;
    };
    // The second RIFF chunk with the 14 bytes in front of it.
    const std::string ignored =
        ": " + grouped(second.size() + 14) + " bytes from byte " + grouped(firstEnd) + " ignored: not a RIFF chunk";
    const Case cases[] = {
        {"JUNK", Chunk("JUNK", Bytes(7, 0)), int32_t(kFrames), ""},
        {"zeros", Bytes(2, 0), int32_t(kFrames), ""},
        {"other", Chunk("xyzw", Bytes(6, 1)), int32_t(kFrames / 2), ignored},
    };
    for (const Case& c : cases) {
        const Converted out = ConvertBytes(Cat({first, c.bytes, second}), RotationMode::MirrorY, 2);
        ASSERT_TRUE(out.succeeded) << c.gap << ": " << out.message;
        EXPECT_EQ(out.framesConverted, c.frames) << c.gap;
        if (c.warning.empty())
            EXPECT_EQ(out.recordingEnd, "") << c.gap;
        else
            EXPECT_NE(out.recordingEnd.find(c.warning), std::string::npos) << c.gap << ": " << out.recordingEnd;
    }
}

TEST(OpenDmlInput, AvixChunksAreConvertedIntoOneRiffChunkWhenTheyFit)
{
    const std::vector<Bytes> data = DataChunks(kFrames);
    const Bytes source = AvixSource(data);
    const Converted out = ConvertBytes(source, RotationMode::MirrorY, 2);
    ASSERT_TRUE(out.succeeded) << out.message;
    EXPECT_EQ(out.framesConverted, int32_t(kFrames));
    EXPECT_EQ(out.progress, 100) << "counted against dmlh's total, not the first RIFF's";

    const std::vector<ChunkNode> riffs = ParseRiffChunks(out.output);
    ASSERT_EQ(riffs.size(), 1u);
    const ChunkNode* movi = riffs[0].Find("LIST", "movi");
    ASSERT_NE(movi, nullptr);
    ExpectSameStreamData(DataIn(*movi), data);
    EXPECT_EQ(riffs[0].Find("idx1")->size, 16 * data.size());
    EXPECT_EQ(GetLe32(riffs[0].Find("avih")->data, 16), kFrames) << "one RIFF chunk: the main header counts all";
    EXPECT_EQ(riffs[0].Find("indx"), nullptr) << "the source's indexes are JUNK";
}

// The reader that the window's preview uses finds the frames the conversion
// converts, in every RIFF chunk, and the count of all of them.
TEST(OpenDmlInput, TheFrameReaderFindsEveryFrameOfEveryRiffChunk)
{
    const std::vector<Bytes> data = DataChunks(kFrames);
    const Bytes source = AvixSource(data);
    TempDir dir;
    const std::string path = (dir / "in.avi").string();
    WriteFile(path, source);
    avi::VideoFrameReader reader;
    ASSERT_EQ(reader.Open(path), avi::VideoFrameReader::Error::None);
    EXPECT_EQ(reader.FrameSize(), (mjpeg::PictureSize{kWidth, kHeight}));
    EXPECT_EQ(reader.AnnouncedFrames(), kFrames) << "dmlh's count of every frame";
    std::vector<uint8_t> payload;
    size_t frames = 0;
    for (std::optional<FrameSpan> frame; (frame = reader.NextFrame()); frames += 2) {
        ASSERT_LT(frames, data.size());
        ASSERT_TRUE(reader.ReadFrame(*frame, payload, UINT32_MAX));
        EXPECT_TRUE(std::equal(payload.begin(), payload.end(), data[frames].begin() + 8)) << "frame " << frames / 2;
    }
    EXPECT_EQ(frames / 2, kFrames);
}

TEST(OpenDmlInput, ARiffChunkOfAnotherFormBehindTheFirstIsDamage)
{
    const Bytes source = Cat({HeaderOnlyAvi(), Riff("AVI ", {List("movi", {Chunk("01wb", Payload(4, 1))})})});
    const Converted out = ConvertBytes(source);
    EXPECT_EQ(out.statusCode, status::kRiffExtension);
    EXPECT_EQ(out.message, out.sourcePath + "\nis damaged: it continues past its first RIFF chunk in a RIFF chunk of "
                                            "type 'AVI ', not an OpenDML 'AVIX' chunk");
    EXPECT_FALSE(out.destinationExists);
}

}  // namespace
}  // namespace kestrel::test
