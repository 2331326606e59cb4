// Recordings their writer never finished: cut short by a lost card or power
// (the last lists run past the end of the file) or never finalized (list
// sizes 0). Every whole chunk before the end converts, the rest is dropped
// and said so, and the output's counts are its own.

#include "avi/AviSamples.h"
#include "base/StatusCode.h"
#include "support/ConversionRunner.h"
#include "support/TestJpeg.h"

#include <gtest/gtest.h>

namespace kestrel::test {
namespace {

constexpr int32_t kWidth = 32;
constexpr int32_t kHeight = 16;
constexpr uint32_t kFrames = 4;

// A clip of kFrames frames, each followed by an audio chunk of odd size,
// and the offsets of its 'movi' children.
struct Clip {
    Bytes file;
    std::vector<size_t> chunkStarts;
};

Clip MakeClip()
{
    MainHeaderFields main;
    main.totalFrames = kFrames + 7;  // wrong on purpose: the output counts its own
    main.streams = 2;
    VideoFormatFields format;
    format.width = kWidth;
    format.height = kHeight;
    const Bytes hdrl = List("hdrl", {MainHeader(main), VideoStreamList(format), AudioStreamList()});
    std::vector<Bytes> chunks;
    for (uint32_t n = 0; n < kFrames; ++n) {
        chunks.push_back(Chunk("00dc", EncodeTestJpeg(NoisePicture(kWidth, kHeight, n + 1))));
        chunks.push_back(Chunk("01wb", Payload(41, uint8_t(n))));
    }
    Bytes movi = {'m', 'o', 'v', 'i'};
    for (const Bytes& chunk : chunks)
        movi.insert(movi.end(), chunk.begin(), chunk.end());
    Clip clip{Riff("AVI ", {hdrl, Chunk("LIST", movi), Chunk("idx1", Payload(16 * 2 * kFrames, 3))}), {}};
    size_t at = 12 + hdrl.size() + 12;
    for (const Bytes& chunk : chunks) {
        clip.chunkStarts.push_back(at);
        at += chunk.size();
    }
    return clip;
}

TEST(RecordingEnd, WholeChunksBeforeTheEndConvertAndTheRestIsDropped)
{
    const Clip clip = MakeClip();
    const std::vector<size_t>& at = clip.chunkStarts;  // frame n at 2n, its audio at 2n + 1
    const size_t idx1 = at.back() + 8 + 41 + 1;
    // Never finalized: RIFF and 'movi' sizes 0, no idx1.
    Bytes unfinalized(clip.file.begin(), clip.file.begin() + idx1);
    WriteLe32(unfinalized.data() + 4, 0);
    WriteLe32(unfinalized.data() + at[0] - 8, 0);
    Bytes reserved = unfinalized;
    reserved.resize(reserved.size() + 3000, 0);

    const struct {
        const char* what;
        Bytes file;
        uint32_t frames;
        std::string warning;  // behind "warning: PATH: "
    } cases[] = {
        {"inside frame 3", Bytes(clip.file.begin(), clip.file.begin() + at[4] + 100), 2,
         "recording cut short at byte " + std::to_string(at[4] + 100) +
             ": 2 frames converted, the last 100 bytes "
             "(part of frame 3) dropped"},
        {"inside an audio chunk", Bytes(clip.file.begin(), clip.file.begin() + at[3] + 20), 2,
         "recording cut short at byte " + std::to_string(at[3] + 20) +
             ": 2 frames converted, the last 20 bytes "
             "(part of a '01wb' chunk) dropped"},
        {"inside a chunk header", Bytes(clip.file.begin(), clip.file.begin() + at[6] + 6), 3,
         "recording cut short at byte " + std::to_string(at[6] + 6) +
             ": 3 frames converted, the last 6 bytes "
             "(part of frame 4) dropped"},
        {"on a chunk boundary", Bytes(clip.file.begin(), clip.file.begin() + at[6]), 3,
         "recording cut short at byte " + std::to_string(at[6]) + ": 3 frames converted"},
        {"inside idx1", Bytes(clip.file.begin(), clip.file.begin() + idx1 + 30), kFrames,
         "recording cut short at byte " + std::to_string(idx1 + 30) +
             ": 4 frames converted, the last 30 bytes "
             "(part of a 'idx1' chunk) dropped"},
        {"never finalized", unfinalized, kFrames, "recording not finalized: 4 frames converted"},
        {"with reserved zeros", reserved, kFrames,
         "recording cut short at byte " + std::to_string(reserved.size()) +
             ": 4 frames converted, the last 3,000 bytes (zero bytes a writer reserved) dropped"},
        {"whole", clip.file, kFrames, ""},
    };
    for (const auto& c : cases) {
        for (int32_t jobs : {1, 2}) {
            const Converted out = ConvertBytes(c.file, RotationMode::Clockwise90, jobs);
            ASSERT_TRUE(out.succeeded) << c.what << ": " << out.message;
            EXPECT_EQ(out.framesConverted, int32_t(c.frames)) << c.what;
            EXPECT_EQ(out.recordingEnd, c.warning.empty() ? "" : "warning: " + out.sourcePath + ": " + c.warning)
                << c.what;
            const ChunkNode tree = ParseRiffFile(out.output);
            EXPECT_EQ(GetLe32(tree.Find("avih")->data, 16), c.frames) << c.what << ": dwTotalFrames";
            EXPECT_EQ(GetLe32(tree.Find("strh")->data, 32), c.frames) << c.what << ": the video's dwLength";
            EXPECT_NE(tree.Find("idx1"), nullptr) << c.what;
        }
    }
}

// A last chunk that lacks only its pad byte is whole: no warning.
TEST(RecordingEnd, ALastChunkWithoutItsPadByteIsWhole)
{
    const Clip clip = MakeClip();
    const size_t lastAudioEnd = clip.chunkStarts.back() + 8 + 41;  // its pad byte would follow
    Bytes file(clip.file.begin(), clip.file.begin() + lastAudioEnd);
    WriteLe32(file.data() + 4, uint32_t(file.size() - 8 + 1));  // the RIFF counts the pad byte
    WriteLe32(file.data() + clip.chunkStarts[0] - 8, uint32_t(lastAudioEnd + 1 - clip.chunkStarts[0] + 4));
    const Converted out = ConvertBytes(file);
    ASSERT_TRUE(out.succeeded) << out.message;
    EXPECT_EQ(out.recordingEnd, "");
    EXPECT_EQ(out.framesConverted, int32_t(kFrames));
}

// What is not the end of a recording stays damage: a header list cut short,
// and a chunk running past its list in the middle of the file.
TEST(RecordingEnd, OtherOverrunsAreStillRefused)
{
    const Clip clip = MakeClip();
    const Converted headers = ConvertBytes(Bytes(clip.file.begin(), clip.file.begin() + 100));
    EXPECT_EQ(headers.statusCode, status::kChunkOverrun);
    EXPECT_EQ(headers.message,
              headers.sourcePath + "\nis malformed: chunk 'RIFF' at offset 0 runs past the end of the file");

    Bytes middle = clip.file;
    WriteLe32(middle.data() + clip.chunkStarts[3] + 4, 400);  // audio chunk 2 swallows frame 3
    const Converted inside = ConvertBytes(middle);
    EXPECT_EQ(inside.statusCode, status::kChunkOverrun);
    EXPECT_TRUE(inside.message.ends_with("runs past the end of its list 'movi'")) << inside.message;
}

}  // namespace
}  // namespace kestrel::test
