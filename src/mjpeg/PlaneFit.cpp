#include "mjpeg/PlaneFit.h"

#include <algorithm>
#include <new>

namespace kestrel::mjpeg {

namespace {

// Copies of the row's last sample up to the end of its last block.
void PadRow(uint8_t* row, size_t width) { std::fill(row + width, row + RoundUp(width, kBlockSize), row[width - 1]); }

// Each output sample is the mean of two neighbouring plane samples (the last
// one of an odd row stands alone). The rounding alternates between down and
// up along the row, as the library's own 2:1 downsampling does, so that the
// means carry no bias.
void HalveRow(uint8_t* to, size_t width, const uint8_t* from, size_t fromWidth)
{
    const size_t pairs = std::min(width, fromWidth / 2);
    for (size_t j = 0; j < pairs; ++j)
        to[j] = static_cast<uint8_t>((from[2 * j] + from[2 * j + 1] + (j & 1)) >> 1);
    for (size_t j = pairs; j < width; ++j)
        to[j] = from[std::min(2 * j, fromWidth - 1)];
}

// Any other fit: output sample j covers picture columns j * span to
// j * span + span - 1; picture column p lies in plane sample
// (p + leading) * factor / maxFactor. The output sample is the mean of the
// plane samples of its first and last column (span is 1 or 2).
void FitRow(uint8_t* to, size_t width, const uint8_t* from, size_t fromWidth, size_t factor, size_t maxFactor,
            size_t span, size_t leading)
{
    for (size_t j = 0; j < width; ++j) {
        const size_t first = std::min((j * span + leading) * factor / maxFactor, fromWidth - 1);
        const size_t last = std::min((j * span + span - 1 + leading) * factor / maxFactor, fromWidth - 1);
        to[j] = static_cast<uint8_t>((from[first] + from[last] + (j & 1)) >> 1);
    }
}

bool Grow(std::vector<uint8_t>& buffer, size_t bytes) noexcept
{
    try {
        if (buffer.size() < bytes)
            buffer.resize(bytes);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

}  // namespace

int32_t OutputComponentWidth(int32_t pictureWidth, int component)
{
    const int factor = OutputHorizontalFactor(component);
    return static_cast<int32_t>((static_cast<int64_t>(pictureWidth) * factor + kOutputMaxHorizontal - 1) /
                                kOutputMaxHorizontal);
}

bool FitPlane(SamplePlane& plane, const PlanarImage& image, int component, int32_t pictureWidth,
              std::vector<uint8_t>& fitted, EncoderPlane& result) noexcept
{
    const int32_t width = OutputComponentWidth(pictureWidth, component);
    const int span = kOutputMaxHorizontal / OutputHorizontalFactor(component);
    const auto rows = static_cast<size_t>(plane.size.height);
    const auto outWidth = static_cast<size_t>(width);
    const auto fromWidth = static_cast<size_t>(plane.size.width);
    result = {nullptr, 0, width, plane.size.height, plane.verticalFactor, image.maxVertical, plane.leadingRows};
    if (width <= 0 || plane.size.width <= 0 || rows == 0 || plane.leadingColumns < 0)
        return false;

    // Where the output keeps the plane's own sampling across, the plane is
    // used as it is, unless a reversed row of odd length has moved the
    // samples off the output's pairs of columns: then each output sample is
    // the mean of the two plane samples it straddles.
    if (plane.horizontalFactor * span == image.maxHorizontal && plane.size.width == width &&
        plane.leadingColumns == 0) {
        for (size_t r = 0; r < rows; ++r)
            PadRow(plane.Row(r), outWidth);
        result.samples = plane.samples.data();
        result.stride = plane.stride;
        return true;
    }

    const size_t stride = RoundUp(outWidth, kRowAlignment);
    if (!Grow(fitted, stride * rows))
        return false;
    const bool halves = plane.horizontalFactor == image.maxHorizontal && span == 2;
    for (size_t r = 0; r < rows; ++r) {
        uint8_t* to = fitted.data() + r * stride;
        if (halves) {
            HalveRow(to, outWidth, plane.Row(r), fromWidth);
        } else {
            FitRow(to, outWidth, plane.Row(r), fromWidth, static_cast<size_t>(plane.horizontalFactor),
                   static_cast<size_t>(image.maxHorizontal), static_cast<size_t>(span),
                   static_cast<size_t>(plane.leadingColumns));
        }
        PadRow(to, outWidth);
    }
    result.samples = fitted.data();
    result.stride = stride;
    return true;
}

}  // namespace kestrel::mjpeg
