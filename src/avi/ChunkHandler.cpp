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

bool ChunkHandler::CopyPayload(uint64_t length, bool zeroFill)
{
    std::vector<uint8_t>& buffer = context_.CopyBuffer;
    const uint64_t piece = std::min(length, kCopyPieceSize);
    if (buffer.size() < piece)
        buffer.resize(piece);
    while (length > 0) {
        const auto n = static_cast<uint32_t>(std::min<uint64_t>(length, buffer.size()));
        if (source_.Read(buffer.data(), n) == ChunkStream::kStreamFailure)
            return false;
        if (zeroFill)
            std::fill_n(buffer.begin(), n, 0);
        if (destination_.Write(buffer.data(), n) == ChunkStream::kStreamFailure)
            return false;
        length -= n;
    }
    return true;
}

bool ChunkHandler::SkipPayload(uint64_t length)
{
    std::vector<uint8_t>& buffer = context_.CopyBuffer;
    const uint64_t piece = std::min(length, kCopyPieceSize);
    if (buffer.size() < piece)
        buffer.resize(piece);
    while (length > 0) {
        const auto n = static_cast<uint32_t>(std::min<uint64_t>(length, buffer.size()));
        if (source_.Read(buffer.data(), n) == ChunkStream::kStreamFailure)
            return false;
        length -= n;
    }
    return true;
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
    if (!ReadHeader() || !WriteChunkHeader(id_, size_) || !CopyPayload(Padded(size_)))
        return ChunkResult::Failure();
    const uint64_t total = avi::kChunkHeaderSize + Padded(size_);
    return {total, total};
}

}  // namespace kestrel
