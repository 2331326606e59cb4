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

Status VideoPropertiesHandler::Process()
{
    // Nothing to change, or too short to describe the picture: the plain copy.
    if (!SwapsDimensions(context_.Mode) || size_ < avi::vprp::kMinimumSize)
        return ChunkHandler::Process();

    // The walker has checked that the file holds the whole chunk.
    std::vector<uint8_t>& data = context_.CopyBuffer;
    if (data.size() < size_)
        data.resize(size_);
    if (!source_.Read(data.data(), size_))
        return source_.Result();

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

    const uint64_t start = BeginChunk(id_);
    destination_.Write(data.data(), size_);
    return EndChunk(start);
}

}  // namespace kestrel
