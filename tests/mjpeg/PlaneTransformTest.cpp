#include "mjpeg/PlaneTransform.h"

#include "TranscodeTestSupport.h"

#include <gtest/gtest.h>

namespace kestrel::mjpeg {
namespace {

using test::Bytes;
using test::TestPlane;

TestPlane NumberedPlane(int32_t width, int32_t height)
{
    TestPlane plane{width, height, 1, 1, Bytes(static_cast<size_t>(width) * height)};
    for (size_t i = 0; i < plane.samples.size(); ++i)
        plane.samples[i] = static_cast<uint8_t>(i * 7 + i / 251);
    return plane;
}

// The transformed plane in a destination with rows wider than it; the bytes
// beyond each row must stay untouched.
constexpr size_t kSlack = 5;
constexpr uint8_t kUntouched = 0xAB;

TestPlane Apply(const TestPlane& source, RotationMode mode, Bytes& destination)
{
    const PictureSize size = TransformedSize({source.width, source.height}, mode);
    const size_t stride = static_cast<size_t>(size.width) + kSlack;
    destination.assign(stride * static_cast<size_t>(size.height), kUntouched);
    TransformPlane(source.samples.data(), static_cast<size_t>(source.width), {source.width, source.height}, mode,
                   destination.data(), stride);
    TestPlane out{size.width, size.height, 1, 1, {}};
    for (int32_t row = 0; row < size.height; ++row)
        out.samples.insert(out.samples.end(), destination.begin() + static_cast<ptrdiff_t>(row * stride),
                           destination.begin() + static_cast<ptrdiff_t>(row * stride + size.width));
    return out;
}

TEST(PlaneTransform, QuarterTurnsExchangeWidthAndHeight)
{
    EXPECT_EQ(TransformedSize({320, 240}, RotationMode::Clockwise90), (PictureSize{240, 320}));
    EXPECT_EQ(TransformedSize({320, 240}, RotationMode::Anticlockwise90), (PictureSize{240, 320}));
    for (RotationMode mode : {RotationMode::Rotate180, RotationMode::MirrorX, RotationMode::MirrorY}) {
        EXPECT_EQ(TransformedSize({320, 240}, mode), (PictureSize{320, 240}));
    }
}

// Sizes below, at and across the 8 x 8 tiles of the quarter turns and the
// 8-sample steps of the row reversal, odd and non-square ones included.
TEST(PlaneTransform, EveryModeMovesEachSampleWhereTheMappingSays)
{
    const std::vector<PictureSize> sizes = {{1, 1},  {1, 9},  {9, 1},   {2, 3},   {8, 8},
                                            {16, 8}, {17, 9}, {31, 33}, {67, 35}, {100, 9}};
    for (const PictureSize size : sizes) {
        const TestPlane source = NumberedPlane(size.width, size.height);
        for (RotationMode mode : test::kAllModes) {
            SCOPED_TRACE(testing::Message() << size.width << "x" << size.height << " mode " << static_cast<int>(mode));
            Bytes destination;
            const TestPlane actual = Apply(source, mode, destination);
            EXPECT_EQ(actual.samples, test::ReferencePlaneTransform(source, mode).samples);
            const size_t stride = static_cast<size_t>(actual.width) + kSlack;
            for (size_t row = 0; row < static_cast<size_t>(actual.height); ++row)
                for (size_t k = 0; k < kSlack; ++k)
                    ASSERT_EQ(destination[row * stride + static_cast<size_t>(actual.width) + k], kUntouched);
        }
    }
}

}  // namespace
}  // namespace kestrel::mjpeg
