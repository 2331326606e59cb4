#include "avi/VideoPropertiesHandler.h"

#include "avi/AviLayout.h"
#include "avi/ChunkStream.h"
#include "avi/RiffWriter.h"

#include <algorithm>
#include <array>

namespace kestrel {
namespace {

// Room for the fixed fields and 16 field descriptions; a longer chunk's
// further descriptions are copied unchanged.
constexpr uint32_t kRewrittenSize = avi::vprp::kFieldInfo + 16 * avi::vprp::kFieldInfoSize;

void SwapFields(uint8_t* data, size_t a, size_t b) { std::swap_ranges(data + a, data + a + 4, data + b); }

}  // namespace

Status VideoPropertiesHandler::Process()
{
    // Nothing to change, or too short to describe the picture: the plain copy.
    if (!SwapsDimensions(mode_) || size_ < avi::vprp::kMinimumSize)
        return ChunkHandler::Process();

    // The fields to rewrite lie in the first bytes; whatever follows them is
    // copied as it is, so no buffer is sized from the declared size.
    const uint32_t head = std::min(size_, kRewrittenSize);
    std::array<uint8_t, kRewrittenSize> data;
    if (!source_.Read(data.data(), head))
        return source_.Result();

    using namespace avi::vprp;
    SwapFields(data.data(), kHTotalInT, kVTotalInLines);
    SwapFields(data.data(), kFrameWidthInPixels, kFrameHeightInLines);
    // The display aspect ratio holds x in its high and y in its low 16 bits.
    const uint32_t aspect = ReadLe32(data.data() + kFrameAspectRatio);
    WriteLe32(data.data() + kFrameAspectRatio, aspect << 16 | aspect >> 16);
    const uint32_t fields = ReadLe32(data.data() + kFieldPerFrame);
    for (uint64_t i = 0; i < fields && kFieldInfo + (i + 1) * kFieldInfoSize <= head; ++i) {
        uint8_t* field = data.data() + kFieldInfo + i * kFieldInfoSize;
        SwapFields(field, kCompressedBMHeight, kCompressedBMWidth);
        SwapFields(field, kValidBMHeight, kValidBMWidth);
    }

    const uint64_t start = BeginChunk(id_);
    if (Status written = output_.Write(data.data(), head); !written.Ok())
        return written;
    if (Status rest = output_.CopyFrom(source_, size_ - head); !rest.Ok())
        return rest;
    return output_.EndChunk(start);
}

}  // namespace kestrel
