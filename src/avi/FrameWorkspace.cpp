#include "avi/FrameWorkspace.h"

#include "base/SizeMath.h"

#include <algorithm>
#include <new>

namespace kestrel {

// The buffers follow the frames actually read (the encoder grows the output
// as it needs), never the stream format's picture size: a format that
// announces a huge picture over small frames costs nothing.
uint8_t* FrameWorkspace::PayloadBuffer(uint32_t size, const FrameFormat&)
{
    // A frame of nearly 4 GiB outgrows a 32-bit address space: out of memory,
    // as the conversion reports it, never a sum wrapped to a small buffer.
    const std::optional<size_t> needed = SizeSum(mjpeg::kPayloadOffset, size);
    if (!needed)
        throw std::bad_alloc();
    if (in_.size() < *needed)
        in_.resize(*needed);
    return in_.data() + mjpeg::kPayloadOffset;
}

mjpeg::TranscodeResult FrameWorkspace::Transcode(uint32_t size, const FrameFormat& format)
{
    if (out_.size() < size_t{size})
        out_.resize(size_t{size});
    return mjpeg::TranscodeFrame(in_, out_, size, format.width, format.height, format.mode, transcoder_, format.limits);
}

void FrameWorkspace::Release()
{
    in_ = {};
    out_ = {};
    transcoder_.Release();
}

}  // namespace kestrel
