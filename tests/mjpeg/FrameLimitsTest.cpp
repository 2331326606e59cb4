// What a frame may cost: the limits refuse a frame before its picture is
// allocated, and a stop request ends it.

#include "TranscodeTestSupport.h"
#include "mjpeg/FramePath.h"

#include <gtest/gtest.h>

namespace kestrel::mjpeg {
namespace {

using test::Bytes;

// The frame with its SOF0 segment claiming `width` x `height` pixels.
Bytes Claiming(Bytes frame, uint16_t width, uint16_t height)
{
    for (size_t at = 0; at + 9 < frame.size(); ++at) {
        if (frame[at] == 0xFF && frame[at + 1] == 0xC0) {
            frame[at + 5] = uint8_t(height >> 8);
            frame[at + 6] = uint8_t(height);
            frame[at + 7] = uint8_t(width >> 8);
            frame[at + 8] = uint8_t(width);
            return frame;
        }
    }
    ADD_FAILURE() << "no SOF0";
    return frame;
}

TEST(FrameLimits, FramesBeyondThemAreRefusedBeforeTheirPictureIsAllocated)
{
    const std::atomic<bool> stopped{true};
    test::TestJpegOptions progressive;
    progressive.progressive = true;
    test::TestJpegOptions arithmetic;
    arithmetic.arithmetic = true;
    const Bytes baseline = test::EncodeTestJpeg(test::ColourPicture(96, 64));
    struct Case {
        const char* name;
        Bytes frame;
        uint16_t width, height;
        FrameLimits limits;
        TranscodeError expected;
    };
    const Case cases[] = {
        {"within every limit", baseline, 96, 64, {}, TranscodeError::None},
        {"progressive",
         test::EncodeTestJpeg(test::ColourPicture(96, 64), progressive),
         96,
         64,
         {},
         TranscodeError::NotBaseline},
        {"arithmetic",
         test::EncodeTestJpeg(test::ColourPicture(96, 64), arithmetic),
         96,
         64,
         {},
         TranscodeError::NotBaseline},
        // 524,288 blocks need at least 131,072 bytes.
        {"8192 x 4096 from a few KB", Claiming(baseline, 8192, 4096), 8192, 4096, {}, TranscodeError::TooFewBytes},
        // 96 x 64 at 4:2:2 is 192 blocks, 73,728 bytes to turn.
        {"over the memory limit", baseline, 96, 64, {70'000, nullptr}, TranscodeError::TooLarge},
        {"stop requested", baseline, 96, 64, {kFramesMemoryBudget, &stopped}, TranscodeError::Stopped},
    };
    for (const Case& c : cases) {
        for (FramePath path : {FramePath::Coefficients, FramePath::Planes}) {
            Bytes frameIn = test::FrameInFor(c.frame);
            Bytes frameOut(1 << 16);
            TranscoderBuffers buffers;
            const TranscodeResult result = TranscodeFrameOn(path, frameIn, frameOut, uint32_t(c.frame.size()), c.width,
                                                            c.height, RotationMode::Clockwise90, buffers, c.limits);
            EXPECT_EQ(result.error, c.expected) << c.name << (path == FramePath::Planes ? " (planes)" : "");
        }
    }
}

}  // namespace
}  // namespace kestrel::mjpeg
