#include "avi/ChunkWriting.h"

#include "avi/AviLayout.h"
#include "avi/ChunkStream.h"
#include "base/StatusCode.h"

#include <algorithm>

namespace kestrel {

uint64_t BeginChunk(ChunkStream& out, FourCC id, FourCC listType)
{
    const uint64_t start = out.Position();
    uint8_t header[avi::kChunkHeaderSize + avi::kListTypeSize];
    WriteLe32(header, id);
    WriteLe32(header + 4, 0);  // filled in by EndChunk
    WriteLe32(header + 8, listType);
    const bool list = id == avi::kList || id == avi::kRiff;
    out.Write(header, list ? sizeof header : avi::kChunkHeaderSize);
    return start;
}

Status EndChunk(ChunkStream& out, uint64_t start)
{
    const uint64_t size = out.Position() - start - avi::kChunkHeaderSize;
    if (Status patched = PatchLe32(out, start + 4, size); !patched.Ok())
        return patched;
    if (size & 1) {
        const uint8_t zero = 0;
        out.Write(&zero, 1);
    }
    return out.Result();
}

Status PatchLe32(ChunkStream& out, uint64_t position, uint64_t value)
{
    if (value > UINT32_MAX)
        return Status::Fail(status::kTooLarge);
    uint8_t field[4];
    WriteLe32(field, static_cast<uint32_t>(value));
    out.WriteAt(position, field, sizeof field);
    return out.Result();
}

Status WriteZeros(ChunkStream& out, uint64_t length)
{
    static constexpr uint8_t kZeros[4096] = {};
    while (length > 0) {
        const auto n = static_cast<uint32_t>(std::min<uint64_t>(length, sizeof kZeros));
        if (!out.Write(kZeros, n))
            break;
        length -= n;
    }
    return out.Result();
}

}  // namespace kestrel
