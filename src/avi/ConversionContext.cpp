#include "avi/ConversionContext.h"

namespace kestrel {

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
    context.CopyBuffer = {};
    context.FrameInBuffer = {};
    context.FrameOutBuffer = {};
    context.Transcoder.Release();
}

}  // namespace kestrel
