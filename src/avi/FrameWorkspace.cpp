#include "avi/FrameWorkspace.h"

#include <algorithm>

namespace kestrel {
namespace {

size_t PictureBytes(const FrameFormat& format)
{
    return size_t(format.width) * size_t(format.height) * 3;
}

}  // namespace

uint8_t* FrameWorkspace::PayloadBuffer(uint32_t size, const FrameFormat& format)
{
    const size_t needed = mjpeg::kPayloadOffset + size_t{size};
    if (in_.size() < needed)
        in_.resize(std::max(needed, PictureBytes(format)));
    return in_.data() + mjpeg::kPayloadOffset;
}

mjpeg::TranscodeResult FrameWorkspace::Transcode(uint32_t size, const FrameFormat& format)
{
    if (out_.empty())
        out_.resize(PictureBytes(format));
    return mjpeg::TranscodeFrame(in_, out_, size, format.width, format.height, format.mode, transcoder_);
}

void FrameWorkspace::Release()
{
    in_ = {};
    out_ = {};
    transcoder_.Release();
}

}  // namespace kestrel
