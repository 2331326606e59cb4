#include "avi/FrameSource.h"

#include "avi/ChunkStream.h"
#include "avi/FramePipeline.h"

namespace kestrel {

FrameSource::FrameSource(const std::string& sourcePath, int32_t jobs) : sourcePath_(sourcePath), jobs_(jobs) { }

FrameSource::~FrameSource() = default;

void FrameSource::BeginList(uint64_t begin, uint64_t end, std::optional<int32_t> videoStream, const FrameFormat& format)
{
    pipeline_ = FramePipeline::Start(sourcePath_, begin, end, videoStream, format, jobs_);
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

void FrameSource::Done()
{
    if (pipeline_)
        pipeline_->Release();
}

void FrameSource::Release()
{
    pipeline_.reset();
    workspace_.Release();
}

}  // namespace kestrel
