#pragma once

// Shared by the Motion-JPEG tests: running TranscodeFrame the way the frame
// chunk handler does, and an independent per-pixel reference of the
// transforms.

#include "mjpeg/FrameTranscoder.h"
#include "support/TestJpeg.h"

#include <algorithm>
#include <array>

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
                            mjpeg::TranscoderBuffers& buffers)
{
    Bytes frameIn = FrameInFor(payload);
    Bytes frameOut(static_cast<size_t>(width) * height * 3);
    const auto length = static_cast<uint32_t>(payload.size());
    Transcoded out{mjpeg::TranscodeFrame(frameIn, frameOut, length, width, height, mode, buffers), {}};
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
            case RotationMode::Clockwise90: row = x; column = h - 1 - y; break;
            case RotationMode::Rotate180: row = h - 1 - y; column = w - 1 - x; break;
            case RotationMode::Anticlockwise90: row = w - 1 - x; column = y; break;
            case RotationMode::MirrorX: row = y; column = w - 1 - x; break;
            case RotationMode::MirrorY: row = h - 1 - y; column = x; break;
            }
            std::copy_n(source.At(y, x), source.components,
                        out.pixels.begin() + (static_cast<size_t>(row) * out.width + column) * source.components);
        }
    }
    return out;
}

}  // namespace kestrel::test
