#include "avi/VideoFrameHandler.h"

#include "avi/AviLayout.h"
#include "avi/ChunkStream.h"
#include "avi/FramePipeline.h"
#include "base/StatusCode.h"
#include "mjpeg/FrameTranscoder.h"

#include <algorithm>

namespace kestrel {
namespace {

int32_t StatusOf(mjpeg::TranscodeError error)
{
    switch (error) {
    case mjpeg::TranscodeError::PayloadTooShort: return status::kFrameTooShort;
    case mjpeg::TranscodeError::UnexpectedPicture: return status::kFrameUnexpected;
    case mjpeg::TranscodeError::Damaged:
    case mjpeg::TranscodeError::None: break;
    }
    return status::kFrameDamaged;
}

// Percent of the announced frames done. It reaches 100 exactly with the last
// announced frame; frames beyond the announced count hold it at 99 until the
// conversion ends, and a file that announces none shows 0 until then.
int32_t PercentDone(uint32_t done, uint32_t total)
{
    if (total == 0)
        return 0;
    if (done > total)
        return 99;
    return static_cast<int32_t>(uint64_t(done) * 100 / total);
}

}  // namespace

Status VideoFrameHandler::Process()
{
    uint32_t newSize = 0;
    const uint8_t* newFrame = nullptr;
    if (size_ > 0) {
        // An empty frame chunk repeats the previous picture; it stays empty.
        // The walker has checked that the file holds the whole frame; a
        // frame the pipeline delivers is skipped, not read again.
        const FrameFormat format = context_.VideoFrameFormat();
        const FramePipeline::Frame* ahead =
            context_.Pipeline ? context_.Pipeline->Take(start_, size_, format) : nullptr;
        mjpeg::TranscodeResult result;
        if (ahead) {
            if (Status dropped = MovePayload(size_, Payload::Drop); !dropped.Ok())
                return dropped;
            result = ahead->result;
            newFrame = ahead->data.data();
        } else {
            if (!source_.Read(context_.Workspace.PayloadBuffer(size_, format), size_))
                return source_.Result();
            result = context_.Workspace.Transcode(size_, format);
            newFrame = context_.Workspace.Output();
        }
        if (result.error != mjpeg::TranscodeError::None) {
            Failure failure{StatusOf(result.error), context_.FramesDone + 1};
            failure.libraryMessage = result.libraryMessage;
            return failure;
        }
        if (!result.warning.empty())
            context_.Warnings.Add(context_.FramesDone + 1, result.warning);
        newSize = result.length;
        // dwSuggestedBufferSize must hold the re-encoded frames too.
        context_.LargestChunkSize = std::max(context_.LargestChunkSize, newSize);
    }

    // Every frame is a key frame; an empty chunk (a repeat) gets no flags.
    context_.Output.AddChunk(id_, size_ > 0 ? avi::idx1::kFlagKeyFrame : 0, destination_.Position(), newSize, true);
    const uint64_t start = BeginChunk(id_);
    if (newSize > 0)
        destination_.Write(newFrame, newSize);
    if (Status written = EndChunk(start); !written.Ok())
        return written;
    if (context_.Pipeline)
        context_.Pipeline->Release();

    ++context_.FramesDone;
    context_.status.FramesConverted = static_cast<int32_t>(context_.FramesDone);
    context_.status.ProgressPercent = PercentDone(context_.FramesDone, context_.TotalFrames);
    return {};
}

}  // namespace kestrel
