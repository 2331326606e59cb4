#include "avi/ChunkHandler.h"

#include "avi/AviLayout.h"
#include "avi/ChunkStream.h"
#include "job/StatusCode.h"

#include <algorithm>

namespace kestrel {
namespace {

// Payloads are moved in pieces of at most this size, so that a chunk of any
// size needs no more memory than the stream buffers.
constexpr uint64_t kCopyPieceSize = 16u * 1024 * 1024;

}  // namespace

ChunkHandler::ChunkHandler(FourCC id, ChunkStream& source, ChunkStream& destination, ConversionContext& context)
    : id_(id), source_(source), destination_(destination), context_(context)
{
    context_.LastChunkId = id;
}

bool ChunkHandler::ReadHeader()
{
    uint8_t field[4];
    if (source_.Read(field, sizeof field) == ChunkStream::kStreamFailure)
        return false;
    size_ = ReadLe32(field);
    if (id_ != avi::kList && id_ != avi::kRiff)
        context_.LargestChunkSize = std::max(context_.LargestChunkSize, size_);
    return true;
}

bool ChunkHandler::ReadListType()
{
    if (size_ < avi::kListTypeSize) {
        context_.Fail(status::kChunkWrongSize, id_);
        return false;
    }
    uint8_t field[4];
    if (source_.Read(field, sizeof field) == ChunkStream::kStreamFailure)
        return false;
    listType_ = ReadLe32(field);
    size_ -= avi::kListTypeSize;
    return true;
}

ChunkResult ChunkHandler::WalkChildren()
{
    ChunkResult total{0, 0};
    while (total.consumed < size_) {
        std::unique_ptr<ChunkHandler> child = CreateChildHandler();
        if (!child)
            return ChunkResult::Failure();
        const ChunkResult result = child->Process();
        if (result.Failed())
            return ChunkResult::Failure();
        total.consumed += result.consumed;
        total.written += result.written;
    }
    return total;
}

bool ChunkHandler::MovePayload(uint64_t length, Payload action)
{
    std::vector<uint8_t>& buffer = context_.CopyBuffer;
    const uint64_t piece = std::min(length, kCopyPieceSize);
    if (buffer.size() < piece)
        buffer.resize(piece);
    while (length > 0) {
        const auto n = static_cast<uint32_t>(std::min<uint64_t>(length, buffer.size()));
        if (source_.Read(buffer.data(), n) == ChunkStream::kStreamFailure)
            return false;
        if (action == Payload::WriteZeros)
            std::fill_n(buffer.begin(), n, 0);
        if (action != Payload::Drop && destination_.Write(buffer.data(), n) == ChunkStream::kStreamFailure)
            return false;
        length -= n;
    }
    return true;
}

bool ChunkHandler::ReadFixedSizeChunk(uint32_t expectedSize, uint8_t* block)
{
    if (!ReadHeader())
        return false;
    if (size_ != expectedSize) {
        context_.Fail(status::kChunkWrongSize, id_);
        return false;
    }
    WriteLe32(block, id_);
    WriteLe32(block + 4, size_);
    return source_.Read(block + avi::kChunkHeaderSize, size_) != ChunkStream::kStreamFailure;
}

bool ChunkHandler::WriteListHeader(FourCC id, uint64_t& sizePos)
{
    sizePos = destination_.Position() + 4;
    uint8_t header[avi::kChunkHeaderSize + avi::kListTypeSize];
    WriteLe32(header, id);
    WriteLe32(header + 4, 0);  // placeholder, patched behind the children
    WriteLe32(header + 8, listType_);
    return destination_.Write(header, sizeof header) != ChunkStream::kStreamFailure;
}

bool ChunkHandler::PatchSize(uint64_t sizePos, uint64_t size)
{
    if (size > UINT32_MAX) {
        context_.Fail(status::kTooLarge);
        return false;
    }
    uint8_t field[4];
    WriteLe32(field, static_cast<uint32_t>(size));
    return destination_.WriteAt(sizePos, field, sizeof field);
}

bool ChunkHandler::WriteChunkHeader(FourCC id, uint32_t size)
{
    uint8_t header[avi::kChunkHeaderSize];
    WriteLe32(header, id);
    WriteLe32(header + 4, size);
    return destination_.Write(header, sizeof header) != ChunkStream::kStreamFailure;
}

bool ChunkHandler::WritePad()
{
    const uint8_t zero = 0;
    return destination_.Write(&zero, 1) != ChunkStream::kStreamFailure;
}

// The plain copy: the chunk goes out as it came in, pad byte included.
ChunkResult ChunkHandler::Process()
{
    if (!ReadHeader() || !WriteChunkHeader(id_, size_) || !MovePayload(Padded(size_), Payload::Copy))
        return ChunkResult::Failure();
    const uint64_t total = avi::kChunkHeaderSize + Padded(size_);
    return {total, total};
}

}  // namespace kestrel
