#include "avi/FrameSource.h"

#include "avi/ChunkStream.h"
#include "avi/FramePipeline.h"
#include "mjpeg/GreyPicture.h"

#include <algorithm>

namespace kestrel {

FrameSource::FrameSource(const std::string& sourcePath, int32_t jobs, bool salvage)
    : sourcePath_(sourcePath), jobs_(jobs), salvage_(salvage)
{
}

FrameSource::~FrameSource() = default;

void FrameSource::BeginList(uint64_t begin, uint64_t end, std::optional<int32_t> videoStream, const FrameFormat& format)
{
    // The frames in flight share the memory budget: the walker's frame and
    // one per worker, so huge pictures run on fewer workers, or none.
    const uint64_t perFrame = std::max<uint64_t>(mjpeg::LargestFrameMemory({format.width, format.height}), 1);
    const uint64_t fit = format.limits.memoryBytes / perFrame;
    const uint64_t requested = std::min<uint64_t>(uint64_t(std::max(jobs_, 0)), kMaximumWorkers);
    const auto workers = static_cast<int32_t>(std::min<uint64_t>(requested, fit > 0 ? fit - 1 : 0));
    pipeline_ = FramePipeline::Start(sourcePath_, begin, end, videoStream, format, workers);
}

void FrameSource::EndList() { pipeline_.reset(); }

Status FrameSource::Next(ChunkStream& source, uint64_t offset, uint32_t size, const FrameFormat& format,
                         NewFrame& frame)
{
    // The walker has checked that the file holds the whole frame; a frame
    // the pipeline delivers is skipped, not read again.
    if (const FramePipeline::Frame* ahead = pipeline_ ? pipeline_->Take(offset, size, format) : nullptr) {
        if (!source.Skip(size))
            return source.Result();
        frame = {ahead->result, ahead->data.data()};
        ++counts_.fromWorkers;
        return {};
    }
    if (!source.Read(workspace_.PayloadBuffer(size, format), size))
        return source.Result();
    frame = {workspace_.Transcode(size, format), workspace_.Output()};
    ++counts_.byWalker;
    return {};
}

void FrameSource::Done(const NewFrame& written)
{
    if (salvage_ && written.result.length > 0 && written.data != lastFrame_.data())
        lastFrame_.assign(written.data, written.data + written.result.length);
    if (pipeline_)
        pipeline_->Release();
}

FrameSource::NewFrame FrameSource::Replacement(const FrameFormat& format)
{
    if (lastFrame_.empty()) {
        std::vector<uint8_t> grey;
        if (!mjpeg::EncodeGreyPicture(format.width, format.height, grey) || grey.size() > UINT32_MAX)
            return {{mjpeg::TranscodeError::Damaged, 0, {}, {}}, nullptr};
        const auto size = static_cast<uint32_t>(grey.size());
        std::copy(grey.begin(), grey.end(), workspace_.PayloadBuffer(size, format));
        const mjpeg::TranscodeResult result = workspace_.Transcode(size, format);
        if (result.error != mjpeg::TranscodeError::None)
            return {result, nullptr};
        lastFrame_.assign(workspace_.Output(), workspace_.Output() + result.length);
    }
    NewFrame frame;
    frame.result.length = static_cast<uint32_t>(lastFrame_.size());
    frame.data = lastFrame_.data();
    return frame;
}

void FrameSource::Release()
{
    pipeline_.reset();
    workspace_.Release();
}

}  // namespace kestrel
