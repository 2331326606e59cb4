#include "mjpeg/PixelTransform.h"

#include "TranscodeTestSupport.h"

#include <gtest/gtest.h>

namespace kestrel::mjpeg {
namespace {

using test::kAllModes;
using test::NumberedPicture;
using test::ReferenceTransform;
using test::TestPicture;

TestPicture Apply(const TestPicture& source, RotationMode mode)
{
    const PictureSize size = TransformedSize({source.width, source.height}, mode);
    TestPicture out{size.width, size.height, 3, test::Bytes(source.pixels.size(), 0xAB)};
    TransformPixels(source.pixels.data(), out.pixels.data(), {source.width, source.height}, mode);
    return out;
}

TEST(PixelTransform, QuarterTurnsExchangeWidthAndHeight)
{
    EXPECT_EQ(TransformedSize({320, 240}, RotationMode::Clockwise90), (PictureSize{240, 320}));
    EXPECT_EQ(TransformedSize({320, 240}, RotationMode::Anticlockwise90), (PictureSize{240, 320}));
    for (RotationMode mode : {RotationMode::Rotate180, RotationMode::MirrorX, RotationMode::MirrorY}) {
        EXPECT_EQ(TransformedSize({320, 240}, mode), (PictureSize{320, 240}));
    }
}

// Sizes around and across the tile edge, odd and non-square ones included.
TEST(PixelTransform, EveryModeMovesEachPixelWhereTheMappingSays)
{
    const std::vector<PictureSize> sizes = {{1, 1}, {1, 7}, {7, 1}, {2, 3}, {31, 33}, {32, 32}, {67, 35}, {100, 9}};
    for (const PictureSize size : sizes) {
        const TestPicture source = NumberedPicture(size.width, size.height);
        for (RotationMode mode : kAllModes) {
            const TestPicture expected = ReferenceTransform(source, mode);
            const TestPicture actual = Apply(source, mode);
            EXPECT_EQ(actual.width, expected.width);
            EXPECT_EQ(actual.pixels, expected.pixels)
                << size.width << "x" << size.height << " mode " << static_cast<int>(mode);
        }
    }
}

TEST(PixelTransform, InversePairsGiveBackTheSource)
{
    for (const PictureSize size : std::vector<PictureSize>{{1, 1}, {5, 3}, {64, 48}, {45, 77}}) {
        const TestPicture source = NumberedPicture(size.width, size.height);
        for (RotationMode mode : {RotationMode::Rotate180, RotationMode::MirrorX, RotationMode::MirrorY}) {
            EXPECT_EQ(Apply(Apply(source, mode), mode).pixels, source.pixels) << static_cast<int>(mode);
        }
        EXPECT_EQ(Apply(Apply(source, RotationMode::Clockwise90), RotationMode::Anticlockwise90).pixels,
                  source.pixels);
        EXPECT_EQ(Apply(Apply(source, RotationMode::Anticlockwise90), RotationMode::Clockwise90).pixels,
                  source.pixels);
    }
}

TEST(PixelTransform, SinglePixelStaysInPlace)
{
    const TestPicture source{1, 1, 3, {10, 20, 30}};
    for (RotationMode mode : kAllModes) {
        EXPECT_EQ(Apply(source, mode).pixels, source.pixels);
    }
}

// Quadrants TL, TR, BL, BR and where each one ends up.
TEST(PixelTransform, QuadrantPictureTurnsAsAWhole)
{
    const TestPicture source = test::QuadrantPicture(8, 6);
    const auto& colour = test::kQuadrantColours;
    struct Case {
        RotationMode mode;
        std::array<size_t, 4> quadrantFrom;  // destination TL, TR, BL, BR come from these source quadrants
    };
    const Case cases[] = {
        {RotationMode::Clockwise90, {2, 0, 3, 1}},     {RotationMode::Rotate180, {3, 2, 1, 0}},
        {RotationMode::Anticlockwise90, {1, 3, 0, 2}}, {RotationMode::MirrorX, {1, 0, 3, 2}},
        {RotationMode::MirrorY, {2, 3, 0, 1}},
    };
    for (const Case& c : cases) {
        const TestPicture out = Apply(source, c.mode);
        const int32_t right = out.width - 1;
        const int32_t bottom = out.height - 1;
        const uint8_t* corners[4] = {out.At(0, 0), out.At(0, right), out.At(bottom, 0), out.At(bottom, right)};
        for (size_t q = 0; q < 4; ++q) {
            EXPECT_TRUE(std::equal(corners[q], corners[q] + 3, colour[c.quadrantFrom[q]].begin()))
                << "mode " << static_cast<int>(c.mode) << " corner " << q;
        }
    }
}

}  // namespace
}  // namespace kestrel::mjpeg
