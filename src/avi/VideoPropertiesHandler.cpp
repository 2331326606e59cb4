#include "avi/VideoPropertiesHandler.h"

#include "avi/AviLayout.h"
#include "avi/ChunkStream.h"

#include <algorithm>

namespace kestrel {
namespace {

void SwapFields(uint8_t* data, size_t a, size_t b)
{
    std::swap_ranges(data + a, data + a + 4, data + b);
}

}  // namespace

ChunkResult VideoPropertiesHandler::Process()
{
    if (!SwapsDimensions(context_.Mode))
        return ChunkHandler::Process();  // nothing to change: the plain copy
    if (!ReadHeader())
        return ChunkResult::Failure();
    if (size_ < avi::vprp::kMinimumSize) {
        // Too short to describe the picture: copied as it is.
        if (!WriteChunkHeader(id_, size_) || !MovePayload(Padded(size_), Payload::Copy))
            return ChunkResult::Failure();
        return {avi::kChunkHeaderSize + Padded(size_), avi::kChunkHeaderSize + Padded(size_)};
    }

    std::vector<uint8_t>& data = context_.CopyBuffer;
    const uint64_t length = Padded(size_);
    if (data.size() < length)
        data.resize(length);
    if (source_.Read(data.data(), static_cast<uint32_t>(length)) == ChunkStream::kStreamFailure)
        return ChunkResult::Failure();

    using namespace avi::vprp;
    SwapFields(data.data(), kHTotalInT, kVTotalInLines);
    SwapFields(data.data(), kFrameWidthInPixels, kFrameHeightInLines);
    // The display aspect ratio holds x in its high and y in its low 16 bits.
    const uint32_t aspect = ReadLe32(data.data() + kFrameAspectRatio);
    WriteLe32(data.data() + kFrameAspectRatio, aspect << 16 | aspect >> 16);
    const uint32_t fields = ReadLe32(data.data() + kFieldPerFrame);
    for (uint64_t i = 0; i < fields && kFieldInfo + (i + 1) * kFieldInfoSize <= size_; ++i) {
        uint8_t* field = data.data() + kFieldInfo + i * kFieldInfoSize;
        SwapFields(field, kCompressedBMHeight, kCompressedBMWidth);
        SwapFields(field, kValidBMHeight, kValidBMWidth);
    }

    if (!WriteChunkHeader(id_, size_) ||
        destination_.Write(data.data(), static_cast<uint32_t>(length)) == ChunkStream::kStreamFailure)
        return ChunkResult::Failure();
    return {avi::kChunkHeaderSize + length, avi::kChunkHeaderSize + length};
}

}  // namespace kestrel
