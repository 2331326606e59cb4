#include "avi/VideoFrameHandler.h"

#include "avi/AviLayout.h"
#include "avi/ChunkStream.h"
#include "base/StatusCode.h"
#include "mjpeg/FrameTranscoder.h"

namespace kestrel {
namespace {

int32_t StatusOf(mjpeg::TranscodeError error)
{
    switch (error) {
    case mjpeg::TranscodeError::PayloadTooShort: return status::kFrameTooShort;
    case mjpeg::TranscodeError::UnexpectedPicture: return status::kFrameUnexpected;
    case mjpeg::TranscodeError::OutOfMemory: return status::kOutOfMemory;
    case mjpeg::TranscodeError::NotBaseline: return status::kFrameNotBaseline;
    case mjpeg::TranscodeError::TooFewBytes: return status::kFrameTooFewBytes;
    case mjpeg::TranscodeError::TooLarge: return status::kFrameTooLarge;
    case mjpeg::TranscodeError::Damaged:
    case mjpeg::TranscodeError::Stopped:
    case mjpeg::TranscodeError::None: break;
    }
    return status::kFrameDamaged;
}

}  // namespace

Status VideoFrameHandler::Process()
{
    // Every frame is a key frame; an empty chunk repeats the previous
    // picture: it stays empty and gets no flags.
    FrameSource::NewFrame frame;
    if (size_ > 0) {
        if (Status taken = frames_.Next(source_, start_, size_, format_, frame); !taken.Ok())
            return taken;
        const uint32_t number = output_.Frames() + 1;
        if (frame.result.error == mjpeg::TranscodeError::Stopped) {
            frames_.Done({});
            return Status::Stopped();
        }
        // A frame the library cannot decode fails the file, or with salvage
        // repeats the frame before it.
        const int32_t refusal = StatusOf(frame.result.error);
        if (frame.result.error != mjpeg::TranscodeError::None && IsReplaceableFrame(refusal) && frames_.Salvaging()) {
            frames_.Done({});
            frame = frames_.Replacement(format_);
            progress_.replacedFrames.Add(number);
        }
        if (frame.result.error != mjpeg::TranscodeError::None) {
            Failure failure{refusal, number};
            if (frame.result.error == mjpeg::TranscodeError::TooLarge)
                failure.detail2 = static_cast<uint32_t>(format_.limits.memoryBytes >> 20);
            // Out of memory is said once, without the library's words for it.
            if (frame.result.error != mjpeg::TranscodeError::OutOfMemory)
                failure.libraryMessage = frame.result.libraryMessage;
            return failure;
        }
        if (!frame.result.warning.empty())
            progress_.warnings.Add(number, frame.result.warning);
    }
    const Status written = output_.WriteDataChunk(id_, size_ > 0 ? avi::idx1::kFlagKeyFrame : 0,
                                                  RiffWriter::Data::VideoFrame, frame.data, frame.result.length);
    frames_.Done(frame);
    if (!written.Ok())
        return written;
    progress_.FrameWritten(output_.Frames());
    return {};
}

}  // namespace kestrel
