#pragma once

#include "base/Transform.h"
#include "mjpeg/CoefficientWorkspace.h"
#include "mjpeg/FrameLimits.h"
#include "mjpeg/SamplePlane.h"
#include "mjpeg/SourceQuantTables.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace kestrel::mjpeg {

// A compressed frame keeps its first 20 bytes (SOI and one APP0 segment);
// a frame whose tables follow SOI directly gets the encoder's SOI and APP0.
inline constexpr uint32_t kFrameHeadSize = 20;
// The frame payload sits this far into the input buffer: room for the head
// and the 420-byte standard DHT segment in front of the rest of the frame.
inline constexpr uint32_t kPayloadOffset = 420;

// The transcoder's per-conversion work buffers, allocated by the first frame
// and reused by every later frame of the same conversion. One object serves
// one conversion at a time; conversions running side by side each need
// their own.
struct TranscoderBuffers {
    // The decoded Y, Cb and Cr planes, already transformed, each at its
    // component's resolution in the source frame.
    PlanarImage TransformedPlanes;
    // Planes resampled across to the output's 4:2:2, for the components
    // whose horizontal sampling differs from it.
    std::array<std::vector<uint8_t>, 3> FittedPlanes;
    mjpeg::SourceQuantTables SourceQuantTables;  // written by a frame's decode, read by its encode
    // The APPn and COM segments of the frame's header other than its kept
    // head, in their order, as they go into the new frame.
    std::vector<uint8_t> CarriedSegments;
    // The block grids of the coefficient path.
    CoefficientWorkspace Coefficients;

    // Frees the planes, the carried segments and the coefficient workspace;
    // the next frame allocates them again.
    void Release();
};

enum class TranscodeError {
    None,
    PayloadTooShort,    // fewer than 20 bytes
    Damaged,            // the JPEG library gave up on the frame, or it names an undefined table
    UnexpectedPicture,  // not W x H pixels, or not three components
    OutOfMemory,
    NotBaseline,  // progressive or arithmetic-coded (FrameLimits.h)
    TooFewBytes,  // far too few bytes for its picture (FrameLimits.h)
    TooLarge,     // needs more memory than a frame may use (FrameLimits.h)
    Stopped,      // the limits' stop flag was set
};

struct TranscodeResult {
    TranscodeError error = TranscodeError::None;
    uint32_t length = 0;         // bytes of the new frame at the start of frameOut
    std::string libraryMessage;  // the JPEG library's words when it gave up
    std::string warning;         // the library's first warning about a frame it decoded around damage; empty when none
};

// Turns one Motion-JPEG frame into its transformed counterpart.
// frameIn holds the payload of payloadLength bytes from byte kPayloadOffset on
// (frameIn.size() >= kPayloadOffset + payloadLength); bytes 0..439 are
// rewritten. The new frame is written from byte 0 of frameOut, which grows
// when the frame needs more room. width and height are the source frames'.
// The new frame is the source's head (or, for a frame without a whole 20-byte
// head, the encoder's SOI and JFIF APP0), the source's other APPn and COM
// segments in their order (a colour-range comment, Exif, another APP0), the
// header block, the new scan and EOI. A frame beyond `limits` is refused
// before its picture is allocated.
TranscodeResult TranscodeFrame(std::vector<uint8_t>& frameIn, std::vector<uint8_t>& frameOut, uint32_t payloadLength,
                               int32_t width, int32_t height, RotationMode mode, TranscoderBuffers& buffers,
                               const FrameLimits& limits = {});

}  // namespace kestrel::mjpeg
