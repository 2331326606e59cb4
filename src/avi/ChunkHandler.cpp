#include "avi/ChunkHandler.h"

#include "avi/AviLayout.h"
#include "avi/ChunkStream.h"
#include "avi/ChunkWriting.h"
#include "base/StatusCode.h"

#include <algorithm>

namespace kestrel {
namespace {

// Payloads are moved in pieces of at most this size, so that a chunk of any
// size needs no more memory than the stream buffers.
constexpr uint64_t kCopyPieceSize = 1u * 1024 * 1024;

bool IsList(FourCC id) { return id == avi::kList || id == avi::kRiff; }

Status Overrun(FourCC id, uint64_t start, FourCC parentType)
{
    Failure failure{status::kChunkOverrun, id};
    failure.offset = start;
    failure.parent = parentType;
    return failure;
}

}  // namespace

ChunkHandler::ChunkHandler(FourCC id, ChunkStream& source, ChunkStream& destination, ConversionContext& context)
    : id_(id), source_(source), destination_(destination), context_(context)
{
    context_.LastChunkId = id;
}

Status ChunkHandler::ConvertChunk(ConversionContext& context, FourCC parentType, uint64_t parentEnd)
{
    if (context.status.StopRequested)
        return Status::Stopped();
    ChunkStream& source = context.source;
    const uint64_t start = source.Position();
    uint8_t header[avi::kChunkHeaderSize];
    if (!source.Read(header, 4))
        return source.Result();
    const FourCC id = ReadLe32(header);

    Status refusal;
    std::unique_ptr<ChunkHandler> handler = CreateHandler(context, id, parentType, refusal);
    if (!handler)
        return refusal;
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
    if (!IsList(id))
        context.LargestChunkSize = std::max(context.LargestChunkSize, size);
    // The walk recurses into lists: their depth is bounded, not the input.
    if (IsList(id) && context.ListDepth >= status::kMaximumListDepth) {
        Failure failure(status::kNestedTooDeep, id);
        failure.offset = start;
        return failure;
    }

    // The output's RIFF chunk may end before a chunk of 'movi'.
    if (parentType == avi::kMovi)
        if (Status room = context.Output.BeforeMoviChunk(avi::kChunkHeaderSize + Padded(size)); !room.Ok())
            return room;

    handler->size_ = size;
    handler->start_ = start;
    context.ListDepth += IsList(id) ? 1 : 0;
    const Status processed = handler->Process();
    context.ListDepth -= IsList(id) ? 1 : 0;
    if (!processed.Ok())
        return processed;

    // What the handler left unread, and the pad byte, end the chunk here.
    const uint64_t padded = start + avi::kChunkHeaderSize + Padded(size);
    if (source.Position() < padded)
        return handler->MovePayload(padded - source.Position(), Payload::Drop);
    return source.Result();
}

Status ChunkHandler::ReadListType()
{
    if (size_ < avi::kListTypeSize)
        return Status::Fail(status::kChunkWrongSize, id_);
    uint8_t field[4];
    if (!source_.Read(field, sizeof field))
        return source_.Result();
    listType_ = ReadLe32(field);
    return {};
}

Status ChunkHandler::WalkChildren()
{
    const uint64_t end = start_ + avi::kChunkHeaderSize + size_;
    while (source_.Position() < end)
        if (Status child = ConvertChunk(context_, listType_, end); !child.Ok())
            return child;
    return {};
}

Status ChunkHandler::MovePayload(uint64_t length, Payload action)
{
    if (action == Payload::Drop)
        return source_.Skip(length) ? Status() : source_.Result();
    std::vector<uint8_t>& buffer = context_.CopyBuffer;
    const uint64_t piece = std::min(length, kCopyPieceSize);
    if (buffer.size() < piece)
        buffer.resize(piece);
    while (length > 0) {
        const auto n = static_cast<uint32_t>(std::min<uint64_t>(length, buffer.size()));
        if (!source_.Read(buffer.data(), n))
            return source_.Result();
        if (action == Payload::WriteZeros)
            std::fill_n(buffer.begin(), n, 0);
        if (action != Payload::Drop && !destination_.Write(buffer.data(), n))
            return destination_.Result();
        length -= n;
    }
    return {};
}

Status ChunkHandler::ReadFixedSizeChunk(uint32_t expectedSize, uint8_t* block)
{
    if (size_ != expectedSize)
        return Status::Fail(status::kChunkWrongSize, id_);
    WriteLe32(block, id_);
    WriteLe32(block + 4, size_);
    source_.Read(block + avi::kChunkHeaderSize, size_);
    return source_.Result();
}

uint64_t ChunkHandler::BeginChunk(FourCC id, FourCC listType)
{
    return kestrel::BeginChunk(destination_, id, listType);
}

Status ChunkHandler::EndChunk(uint64_t start) { return kestrel::EndChunk(destination_, start); }

Status ChunkHandler::PatchLe32(uint64_t position, uint64_t value)
{
    return kestrel::PatchLe32(destination_, position, value);
}

// The plain copy: the chunk goes out as it came in.
Status ChunkHandler::Process()
{
    const uint64_t start = BeginChunk(id_);
    if (Status moved = MovePayload(size_, Payload::Copy); !moved.Ok())
        return moved;
    return EndChunk(start);
}

Status ConvertRiffFile(ConversionContext& context)
{
    // The first RIFF chunk, and the RIFF chunks that follow it; anything
    // else behind them is not part of the file.
    ChunkStream& source = context.source;
    uint8_t next[4];
    do {
        if (Status riff = ChunkHandler::ConvertChunk(context, 0, source.Size()); !riff.Ok())
            return riff;
    } while (source.PeekAt(source.Position(), next, sizeof next) && ReadLe32(next) == avi::kRiff);

    // Nothing to turn: an empty RIFF, an audio-only file. (A video stream
    // without frames is a valid, empty clip.)
    if (!context.VideoStream || !context.HaveVideoFormat)
        return Status::Fail(status::kNoVideoStream);
    return context.Output.Finish(context.LargestChunkSize, context.SourceRiffs > 1);
}

}  // namespace kestrel
