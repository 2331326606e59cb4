#include "avi/ChunkWalker.h"

#include "avi/AviLayout.h"
#include "avi/ChunkDispatch.h"
#include "avi/ChunkHandler.h"
#include "avi/ChunkStream.h"
#include "avi/ConversionContext.h"
#include "avi/FrameScan.h"
#include "base/StatusCode.h"

#include <algorithm>

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

// Whether a chunk may be an open list: the top-level RIFF chunk, or a
// 'movi' list (or a 'rec ' list in it) inside an open list.
bool IsOpenable(ConversionContext& context, FourCC id, FourCC parentType, bool parentOpen, uint64_t start)
{
    if (parentType == 0)
        return id == avi::kRiff;
    if (!parentOpen || id != avi::kList)
        return false;
    uint8_t type[avi::kListTypeSize];
    if (!context.source.PeekAt(start + avi::kChunkHeaderSize, type, sizeof type))
        return false;
    const FourCC listType = ReadLe32(type);
    return listType == avi::kMovi || (listType == avi::kRec && parentType == avi::kMovi);
}

// Whether the source holds nothing but zero bytes from its position to its
// end; the position stays.
bool ZerosToTheEnd(ChunkStream& source)
{
    uint8_t piece[4096];
    for (uint64_t at = source.Position(); at < source.Size(); at += sizeof piece) {
        const auto n = static_cast<uint32_t>(std::min<uint64_t>(sizeof piece, source.Size() - at));
        if (!source.PeekAt(at, piece, n) || std::any_of(piece, piece + n, [](uint8_t b) { return b != 0; }))
            return false;
    }
    return true;
}

// The end of a recording cut short at the chunk at `start`: what is left of
// the file is dropped, and the walk ends.
Status EndRecording(ConversionContext& context, uint64_t start, FourCC id, bool zeros = false)
{
    RecordingEnd& recording = context.walk.recordingEnd;
    recording.cutShort = true;
    recording.droppedFrom = start;
    recording.chunkId = id;
    recording.dropped = zeros ? RecordingEnd::Dropped::Zeros : RecordingEnd::Dropped::Chunk;
    if (!zeros && IsVideoFrameChunk(id, context.walk.videoStream)) {
        recording.dropped = RecordingEnd::Dropped::Frame;
        recording.frame = context.output.Frames() + 1;
    }
    context.walk.sourceContinues = false;
    ChunkStream& source = context.source;
    if (source.Position() < source.Size() && !source.Skip(source.Size() - source.Position()))
        return source.Result();
    return {};
}

}  // namespace

// A recording cut short or never finalized ends in open lists: the last RIFF
// chunk, its 'movi' list and a 'rec ' list in it may declare a size that
// runs past the end of the file, or 0. Such a list is taken to the end of
// the file; in it, a chunk cut by the end of the file, a chunk header cut
// short and a tail of zero bytes end the recording, and the walk drops
// them. Any other overrun is damage, refused as such.
Status ConvertChunk(ConversionContext& context, FourCC parentType, uint64_t parentEnd, bool parentOpen)
{
    if (context.progress.StopRequested())
        return Status::Stopped();
    ChunkStream& source = context.source;
    const uint64_t start = source.Position();
    const uint64_t fileSize = source.Size();
    // The end of a recording: in an open list, or a RIFF chunk behind the first.
    // Only the frames and what follows them: a header cut short is damage.
    const bool mayEnd = (parentOpen || (parentType == 0 && context.walk.sourceRiffs > 0)) && context.output.MoviBegun();
    const uint64_t headerSize = avi::kChunkHeaderSize + (parentType == 0 ? avi::kListTypeSize : 0);
    uint8_t header[avi::kChunkHeaderSize + avi::kListTypeSize] = {};
    if (parentOpen && !context.output.MoviBegun() && fileSize - start < headerSize)
        return context.walk.openRiffRefusal;
    if (mayEnd && fileSize - start < headerSize) {
        source.PeekAt(start, header, static_cast<uint32_t>(fileSize - start));
        return EndRecording(context, start, ReadLe32(header));
    }
    if (!source.Read(header, 4))
        return source.Result();
    const FourCC id = ReadLe32(header);
    if (mayEnd && id == 0 && ZerosToTheEnd(source))
        return EndRecording(context, start, id, true);

    Status refusal;
    const std::unique_ptr<ChunkHandler> handler = CreateHandler(context, id, parentType, refusal);
    if (!handler)
        return refusal;
    context.walk.lastChunkId = id;
    if (!source.Read(header + 4, 4))
        return source.Result();
    uint32_t size = ReadLe32(header + 4);

    // The declared data must lie inside the enclosing list and the file; the
    // pad byte of odd data is not counted by every writer.
    uint64_t end = start + avi::kChunkHeaderSize + size;
    const uint64_t limit = std::min(parentEnd, fileSize);
    bool open = false;
    // A writer that counted the pad byte it never wrote ended the file one
    // byte early: the lists that end there are whole.
    if (IsList(id) && limit == fileSize && end == fileSize + 1) {
        --size;
        --end;
    }
    if (IsOpenable(context, id, parentType, parentOpen, start) && (end > limit || size == 0)) {
        const uint64_t rest = limit - start - avi::kChunkHeaderSize;
        if (rest <= UINT32_MAX) {
            // An open RIFF chunk before any frame: whatever it runs past ends
            // the walk as damage (a later one too: an 'AVIX' behind a first
            // RIFF chunk without 'movi').
            if (parentType == 0 && !context.output.MoviBegun())
                context.walk.openRiffRefusal =
                    size == 0 ? Status::Fail(status::kChunkWrongSize, id) : Overrun(id, start, 0);
            RecordingEnd& recording = context.walk.recordingEnd;
            (size == 0 ? recording.unfinalized : recording.cutShort) = true;
            size = static_cast<uint32_t>(rest);
            open = true;
        }
        end = start + avi::kChunkHeaderSize + size;
    }
    if (end > limit) {
        if (mayEnd && end > fileSize)
            return EndRecording(context, start, id);
        if (parentOpen && !context.output.MoviBegun())
            return context.walk.openRiffRefusal;
        return Overrun(id, start, end > parentEnd ? parentType : 0);
    }
    // The walk recurses into lists: their depth is bounded, not the input.
    if (IsList(id) && context.walk.listDepth >= status::kMaximumListDepth) {
        Failure failure(status::kNestedTooDeep, id);
        failure.offset = start;
        return failure;
    }

    handler->SetExtent(start, size, open);
    context.walk.listDepth += IsList(id) ? 1 : 0;
    const Status processed = handler->Process();
    context.walk.listDepth -= IsList(id) ? 1 : 0;
    if (!processed.Ok())
        return processed;

    // What the handler left unread, and the pad byte, end the chunk here; a
    // last chunk may lack its pad byte.
    const uint64_t padded = std::min(end + (size & 1), fileSize);
    if (source.Position() < padded && !source.Skip(padded - source.Position()))
        return source.Result();
    return source.Result();
}

Status ConvertChildren(ConversionContext& context, FourCC listType, uint64_t end, bool open)
{
    while (context.source.Position() < end) {
        const uint64_t at = context.source.Position();
        if (Status child = ConvertChunk(context, listType, end, open); !child.Ok())
            return child;
        // Every chunk converted moves the walk on: a chunk that did not is
        // damage, never a reason to look at it again.
        if (context.source.Position() <= at)
            return Overrun(0, at, listType);
    }
    return {};
}

Status ConvertRiffFile(ConversionContext& context)
{
    // The first RIFF chunk, and the RIFF chunks that its handler saw follow
    // it; anything else behind them is not part of the file.
    do {
        if (Status riff = ConvertChunk(context, 0, context.source.Size(), false); !riff.Ok())
            return riff;
        // Over what lies between this RIFF chunk and the next.
        ChunkStream& source = context.source;
        if (context.walk.sourceContinues && source.Position() < context.walk.nextRiff &&
            !source.Skip(context.walk.nextRiff - source.Position()))
            return source.Result();
    } while (context.walk.sourceContinues);

    // Nothing to turn: an empty RIFF, an audio-only file. (A video stream
    // without frames is a valid, empty clip.)
    if (!context.walk.videoStream || !context.walk.frameSize)
        return Status::Fail(status::kNoVideoStream);
    context.walk.recordingEnd.fileSize = context.source.Size();
    context.walk.recordingEnd.framesConverted = context.output.Frames();
    return context.output.Finish();
}

}  // namespace kestrel
