#pragma once

#include "base/Transform.h"
#include "mjpeg/FrameTranscoder.h"

#include <cstdint>
#include <vector>

namespace kestrel {

// What every frame of a video stream is transcoded with.
struct FrameFormat {
    int32_t width = 0;  // the source frames' size, from the stream's format
    int32_t height = 0;
    RotationMode mode = RotationMode::Anticlockwise90;
    mjpeg::FrameLimits limits;

    bool operator==(const FrameFormat&) const = default;
};

// The buffers one thread transcodes frames with: the payload read from the
// source, the new frame and the transcoder's planes. Allocated by the first
// frame and reused by the later ones; a conversion has one for its walker
// and one for each pipeline worker.
class FrameWorkspace {
public:
    // Room for a payload of `size` bytes: where to read it to before calling
    // Transcode.
    uint8_t* PayloadBuffer(uint32_t size, const FrameFormat& format);

    // Transcodes the payload of `size` bytes read to PayloadBuffer. The new
    // frame is the first `length` bytes of Output(). Every frame of every
    // conversion goes through here.
    mjpeg::TranscodeResult Transcode(uint32_t size, const FrameFormat& format);
    const uint8_t* Output() const { return out_.data(); }

    // Frees the buffers; the next frame allocates them again.
    void Release();

private:
    std::vector<uint8_t> in_;
    std::vector<uint8_t> out_;
    mjpeg::TranscoderBuffers transcoder_;
};

}  // namespace kestrel
