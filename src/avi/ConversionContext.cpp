#include "avi/ConversionContext.h"

#include "avi/FramePipeline.h"

namespace kestrel {

ConversionContext::ConversionContext(ChunkStream& source, ChunkStream& destination, ConversionStatus& status,
                                     RotationMode mode)
    : source(source), destination(destination), status(status), Mode(mode), Output(destination)
{
}

ConversionContext::~ConversionContext() = default;

void ReleaseConversionBuffers(ConversionContext& context)
{
    context.Pipeline.reset();
    context.CopyBuffer = {};
    context.Workspace.Release();
}

}  // namespace kestrel
