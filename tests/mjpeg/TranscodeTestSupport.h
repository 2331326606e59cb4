#pragma once

// Shared by the Motion-JPEG tests: running TranscodeFrame the way the frame
// chunk handler does, and independent references of the transforms: per
// pixel, and per plane with the fit to the output's 4:2:2.

#include "mjpeg/FrameTranscoder.h"
#include "support/TestJpeg.h"

#include <algorithm>
#include <array>
#include <utility>

namespace kestrel::test {

// The frame's payload placed at kPayloadOffset, as the caller reads it.
inline Bytes FrameInFor(const Bytes& payload)
{
    Bytes frameIn(mjpeg::kPayloadOffset + payload.size() + 1, 0xEE);
    std::copy(payload.begin(), payload.end(), frameIn.begin() + mjpeg::kPayloadOffset);
    return frameIn;
}

struct Transcoded {
    mjpeg::TranscodeResult result;
    Bytes frame;  // the new frame, result.length bytes
};

// One frame through TranscodeFrame with the output buffer sized W x H x 3.
inline Transcoded Transcode(const Bytes& payload, int32_t width, int32_t height, RotationMode mode,
                            mjpeg::TranscoderBuffers& buffers, const mjpeg::FrameLimits& limits = {})
{
    Bytes frameIn = FrameInFor(payload);
    Bytes frameOut(static_cast<size_t>(width) * height * 3);
    const auto length = static_cast<uint32_t>(payload.size());
    Transcoded out{mjpeg::TranscodeFrame(frameIn, frameOut, length, width, height, mode, buffers, limits), {}};
    out.frame.assign(frameOut.begin(), frameOut.begin() + std::min<size_t>(out.result.length, frameOut.size()));
    return out;
}

inline Transcoded Transcode(const Bytes& payload, int32_t width, int32_t height, RotationMode mode)
{
    mjpeg::TranscoderBuffers buffers;
    return Transcode(payload, width, height, mode, buffers);
}

inline constexpr std::array<RotationMode, 5> kAllModes = {RotationMode::Clockwise90, RotationMode::Rotate180,
                                                          RotationMode::Anticlockwise90, RotationMode::MirrorX,
                                                          RotationMode::MirrorY};

// Where pixel (y, x) of a W x H picture lands, written out per mode.
inline TestPicture ReferenceTransform(const TestPicture& source, RotationMode mode)
{
    const int32_t w = source.width;
    const int32_t h = source.height;
    const bool swaps = SwapsDimensions(mode);
    TestPicture out{swaps ? h : w, swaps ? w : h, source.components, Bytes(source.pixels.size())};
    for (int32_t y = 0; y < h; ++y) {
        for (int32_t x = 0; x < w; ++x) {
            int32_t row = 0;
            int32_t column = 0;
            switch (mode) {
            case RotationMode::Clockwise90:
                row = x;
                column = h - 1 - y;
                break;
            case RotationMode::Rotate180:
                row = h - 1 - y;
                column = w - 1 - x;
                break;
            case RotationMode::Anticlockwise90:
                row = w - 1 - x;
                column = y;
                break;
            case RotationMode::MirrorX:
                row = y;
                column = w - 1 - x;
                break;
            case RotationMode::MirrorY:
                row = h - 1 - y;
                column = x;
                break;
            }
            std::copy_n(source.At(y, x), source.components,
                        out.pixels.begin() + (static_cast<size_t>(row) * out.width + column) * source.components);
        }
    }
    return out;
}

// Where sample (y, x) of a W x H grid lands under `mode`, as (row, column).
inline std::pair<int32_t, int32_t> Landing(int32_t y, int32_t x, int32_t w, int32_t h, RotationMode mode)
{
    switch (mode) {
    case RotationMode::Clockwise90: return {x, h - 1 - y};
    case RotationMode::Rotate180: return {h - 1 - y, w - 1 - x};
    case RotationMode::Anticlockwise90: return {w - 1 - x, y};
    case RotationMode::MirrorX: return {y, w - 1 - x};
    case RotationMode::MirrorY: return {h - 1 - y, x};
    }
    return {y, x};
}

// A plane turned or mirrored as a grid of its own samples; the quarter turns
// exchange its size and its sampling factors.
inline TestPlane ReferencePlaneTransform(const TestPlane& plane, RotationMode mode)
{
    const bool swaps = SwapsDimensions(mode);
    TestPlane out{swaps ? plane.height : plane.width, swaps ? plane.width : plane.height,
                  swaps ? plane.verticalFactor : plane.horizontalFactor,
                  swaps ? plane.horizontalFactor : plane.verticalFactor, Bytes(plane.samples.size())};
    for (int32_t y = 0; y < plane.height; ++y) {
        for (int32_t x = 0; x < plane.width; ++x) {
            const auto [row, column] = Landing(y, x, plane.width, plane.height, mode);
            out.samples[static_cast<size_t>(row) * out.width + column] = plane.At(y, x);
        }
    }
    return out;
}

// What a transcode of a frame with these planes (of a picture as large as
// the Y plane) should decode to, exactly: each sample spread over the
// picture samples it covers, the full-size planes transformed, then Cb and
// Cr halved across by averaging pairs, rounding down at even and up at odd
// output columns.
inline TestPlanes ExpectedPlanes(const TestPlanes& source, RotationMode mode)
{
    int maxH = 1;
    int maxV = 1;
    for (const TestPlane& plane : source) {
        maxH = std::max(maxH, plane.horizontalFactor);
        maxV = std::max(maxV, plane.verticalFactor);
    }
    const int32_t width = source[0].width;
    const int32_t height = source[0].height;
    TestPlanes out;
    for (int ci = 0; ci < 3; ++ci) {
        const TestPlane& plane = source[ci];
        TestPlane spread{width, height, 1, 1, {}};
        for (int32_t y = 0; y < height; ++y) {
            for (int32_t x = 0; x < width; ++x) {
                spread.samples.push_back(plane.At(std::min(y * plane.verticalFactor / maxV, plane.height - 1),
                                                  std::min(x * plane.horizontalFactor / maxH, plane.width - 1)));
            }
        }
        const TestPlane turned = ReferencePlaneTransform(spread, mode);
        if (ci == 0) {
            out[ci] = turned;
            out[ci].horizontalFactor = 2;
            continue;
        }
        TestPlane& halved = out[ci];
        halved = {(turned.width + 1) / 2, turned.height, 1, 1, {}};
        for (int32_t y = 0; y < turned.height; ++y) {
            for (int32_t j = 0; j < halved.width; ++j) {
                const int a = turned.At(y, 2 * j);
                const int b = turned.At(y, std::min(2 * j + 1, turned.width - 1));
                halved.samples.push_back(static_cast<uint8_t>((a + b + (j & 1)) >> 1));
            }
        }
    }
    return out;
}

}  // namespace kestrel::test
