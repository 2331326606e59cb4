#include "avi/ConversionContext.h"

#include "avi/FramePipeline.h"

namespace kestrel {

ConversionContext::ConversionContext(ChunkStream& source, ChunkStream& destination, ConversionStatus& status,
                                     RotationMode mode)
    : source(source), destination(destination), status(status), Mode(mode)
{
}

ConversionContext::~ConversionContext() = default;

void ConversionContext::StartFile()
{
    LargestChunkSize = 0;
    IndexEntries.clear();
    MoviBase.reset();
    SuggestedBufferSizePos.reset();
    TotalFrames = 0;
    FramesDone = 0;
    StreamCount = 0;
    VideoStream.reset();
    HaveVideoFormat = false;
}

void ReleaseConversionBuffers(ConversionContext& context)
{
    context.Pipeline.reset();
    context.CopyBuffer = {};
    context.Workspace.Release();
}

}  // namespace kestrel
