#include "mjpeg/FrameTranscoder.h"

namespace kestrel::mjpeg {

void TranscoderBuffers::Release()
{
    DecodedImage = {};
    TransformedImage = {};
}

TranscodeResult TranscodeFrame(std::vector<uint8_t>&, std::vector<uint8_t>&, uint32_t, int32_t, int32_t,
                               RotationMode, TranscoderBuffers&)
{
    return {TranscodeError::Damaged, 0};
}

}  // namespace kestrel::mjpeg
