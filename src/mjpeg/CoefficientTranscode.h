#pragma once

// The coefficient path of the frame transcoder: the frame is read as
// quantized DCT coefficients; each component whose blocks can move under
// the transform (LosslessRule.h) is moved block by block, and each other
// one is decoded, transformed and fitted to 4:2:2 as samples and
// forward-transformed and quantized with the output's table; the frame is
// written from the coefficients in the plane path's output form.

#include "base/Transform.h"
#include "mjpeg/CodecBuffer.h"
#include "mjpeg/FrameLimits.h"
#include "mjpeg/FrameTranscoder.h"
#include "mjpeg/JpegCodec.h"

#include <span>
#include <string>
#include <vector>

namespace kestrel::mjpeg {

struct CoefficientResult {
    CodecStatus status = CodecStatus::Ok;
    uint32_t length = 0;     // bytes of the new frame from the start of `out`
    bool planePath = false;  // a frame the coefficient path leaves to the plane path; nothing was written
};

// Transcodes the JPEG stream in `frame` (of an `expected` picture, three
// YCbCr components) into `out`: SOI and the library's JFIF APP0 (20 bytes),
// `segments`, the MjpegHeaderWriter's DRI, DQT, SOF0 and SOS, baseline
// 4:2:2 data with the standard Huffman tables, EOI. The DQT holds the
// source's Y and Cb tables clamped to 1..255, transposed for the quarter
// turns. Progressive, arithmetic-coded and other than 8-bit frames, and
// frames with a component that no scan reached, come back with planePath
// set. Failures and warnings as DecodePlanes.
CoefficientResult TranscodeCoefficients(const CodecBuffer& frame, PictureSize expected, RotationMode mode,
                                        std::span<const uint8_t> segments, TranscoderBuffers& buffers,
                                        std::vector<uint8_t>& out, std::string* libraryMessage = nullptr,
                                        std::string* firstWarning = nullptr, const FrameLimits& limits = {});

}  // namespace kestrel::mjpeg
