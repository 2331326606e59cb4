#include "mjpeg/PlaneFit.h"

#include <gtest/gtest.h>

#include <cstring>

namespace kestrel::mjpeg {
namespace {

using Bytes = std::vector<uint8_t>;

// A one-row chroma plane (Cb, component 1) of the given samples and factor
// out of maxHorizontal, fitted for a picture `pictureWidth` wide.
Bytes FitRow(const Bytes& samples, int factor, int maxHorizontal, int32_t pictureWidth, bool* inPlace = nullptr)
{
    PlanarImage image;
    image.maxHorizontal = maxHorizontal;
    SamplePlane& plane = image.planes[1];
    plane.size = {static_cast<int32_t>(samples.size()), 1};
    plane.stride = RoundUp(samples.size(), 16);
    plane.samples.assign(plane.stride, 0xEE);
    std::memcpy(plane.samples.data(), samples.data(), samples.size());
    plane.horizontalFactor = factor;

    std::vector<uint8_t> fitted;
    EncoderPlane result;
    EXPECT_TRUE(FitPlane(plane, image, 1, pictureWidth, fitted, result));
    EXPECT_EQ(result.width, (pictureWidth + 1) / 2);
    EXPECT_EQ(result.rows, 1);
    if (inPlace != nullptr)
        *inPlace = result.samples == plane.samples.data();
    // The samples and their padding up to the end of the last block.
    return Bytes(result.samples, result.samples + RoundUp(static_cast<size_t>(result.width), 8));
}

TEST(PlaneFit, ChromaOfTheOutputsSamplingIsUsedInPlaceAndPadded)
{
    bool inPlace = false;
    EXPECT_EQ(FitRow({1, 2, 3, 4, 5}, 1, 2, 10, &inPlace), (Bytes{1, 2, 3, 4, 5, 5, 5, 5}));
    EXPECT_TRUE(inPlace);
}

// Full-width chroma (4:4:4, or 4:2:2 after a quarter turn) is halved by
// averaging pairs, rounding down and up by turns; a last odd sample stands
// alone. Averaging what replication made gives the samples back exactly.
TEST(PlaneFit, FullWidthChromaIsAveragedInPairs)
{
    EXPECT_EQ(FitRow({10, 11, 10, 11, 7}, 1, 1, 5), (Bytes{10, 11, 7, 7, 7, 7, 7, 7}));
    EXPECT_EQ(FitRow({9, 9, 200, 200, 0, 0, 255, 255, 31, 31}, 2, 2, 10), (Bytes{9, 200, 0, 255, 31, 31, 31, 31}));
}

// Quarter-width chroma (4:1:1) is replicated.
TEST(PlaneFit, QuarterWidthChromaIsReplicated)
{
    EXPECT_EQ(FitRow({1, 2, 3}, 1, 4, 11), (Bytes{1, 1, 2, 2, 3, 3, 3, 3}));
}

}  // namespace
}  // namespace kestrel::mjpeg
