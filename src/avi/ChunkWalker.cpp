#include "avi/ChunkWalker.h"

#include "avi/AviLayout.h"
#include "avi/ChunkDispatch.h"
#include "avi/ChunkHandler.h"
#include "avi/ChunkStream.h"
#include "avi/ConversionContext.h"
#include "base/StatusCode.h"

namespace kestrel {
namespace {

bool IsList(FourCC id) { return id == avi::kList || id == avi::kRiff; }

Status Overrun(FourCC id, uint64_t start, FourCC parentType)
{
    Failure failure{status::kChunkOverrun, id};
    failure.offset = start;
    failure.parent = parentType;
    return failure;
}

}  // namespace

Status ConvertChunk(ConversionContext& context, FourCC parentType, uint64_t parentEnd)
{
    if (context.progress.StopRequested())
        return Status::Stopped();
    ChunkStream& source = context.source;
    const uint64_t start = source.Position();
    uint8_t header[avi::kChunkHeaderSize];
    if (!source.Read(header, 4))
        return source.Result();
    const FourCC id = ReadLe32(header);

    Status refusal;
    const std::unique_ptr<ChunkHandler> handler = CreateHandler(context, id, parentType, refusal);
    if (!handler)
        return refusal;
    context.walk.lastChunkId = id;
    if (!source.Read(header + 4, 4))
        return source.Result();
    const uint32_t size = ReadLe32(header + 4);

    // The declared data must lie inside the enclosing list and the file; the
    // pad byte of odd data is not counted by every writer.
    const uint64_t end = start + avi::kChunkHeaderSize + size;
    if (end > parentEnd)
        return Overrun(id, start, parentType);
    if (end > source.Size())
        return Overrun(id, start, 0);
    // The walk recurses into lists: their depth is bounded, not the input.
    if (IsList(id) && context.walk.listDepth >= status::kMaximumListDepth) {
        Failure failure(status::kNestedTooDeep, id);
        failure.offset = start;
        return failure;
    }

    handler->SetExtent(start, size);
    context.walk.listDepth += IsList(id) ? 1 : 0;
    const Status processed = handler->Process();
    context.walk.listDepth -= IsList(id) ? 1 : 0;
    if (!processed.Ok())
        return processed;

    // What the handler left unread, and the pad byte, end the chunk here.
    const uint64_t padded = end + (size & 1);
    if (source.Position() < padded && !source.Skip(padded - source.Position()))
        return source.Result();
    return source.Result();
}

Status ConvertChildren(ConversionContext& context, FourCC listType, uint64_t end)
{
    while (context.source.Position() < end)
        if (Status child = ConvertChunk(context, listType, end); !child.Ok())
            return child;
    return {};
}

Status ConvertRiffFile(ConversionContext& context)
{
    // The first RIFF chunk, and the RIFF chunks that its handler saw follow
    // it; anything else behind them is not part of the file.
    do {
        if (Status riff = ConvertChunk(context, 0, context.source.Size()); !riff.Ok())
            return riff;
    } while (context.walk.sourceContinues);

    // Nothing to turn: an empty RIFF, an audio-only file. (A video stream
    // without frames is a valid, empty clip.)
    if (!context.walk.videoStream || !context.walk.frameSize)
        return Status::Fail(status::kNoVideoStream);
    return context.output.Finish(context.walk.sourceRiffs > 1);
}

}  // namespace kestrel
