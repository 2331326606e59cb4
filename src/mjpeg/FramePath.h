#pragma once

// The two ways the frame transcoder can take through a frame. TranscodeFrame
// takes the coefficient path, which hands the frames it cannot read as
// coefficients (progressive, arithmetic-coded) to the plane path; the
// benchmarks and tests compare the two on the same frames.

#include "mjpeg/FrameTranscoder.h"

namespace kestrel::mjpeg {

enum class FramePath {
    Coefficients,  // components moved as quantized DCT coefficients where LosslessRule.h allows
    Planes,        // every component decoded, transformed, fitted and encoded as samples
};

// TranscodeFrame along `path`.
TranscodeResult TranscodeFrameOn(FramePath path, std::vector<uint8_t>& frameIn, std::vector<uint8_t>& frameOut,
                                 uint32_t payloadLength, int32_t width, int32_t height, RotationMode mode,
                                 TranscoderBuffers& buffers, const FrameLimits& limits = {});

}  // namespace kestrel::mjpeg
