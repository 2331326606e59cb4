#include "avi/IndexEntry.h"

#include "avi/AviLayout.h"
#include "avi/ChunkStream.h"

namespace kestrel {

bool WriteIndex(ChunkStream& destination, IndexEntries& entries)
{
    uint8_t header[avi::kChunkHeaderSize];
    WriteLe32(header, avi::kIdx1);
    WriteLe32(header + 4, static_cast<uint32_t>(entries.size() * avi::idx1::kEntrySize));
    if (!destination.Write(header, sizeof header))
        return false;
    for (const IndexEntry& entry : entries) {
        uint8_t bytes[avi::idx1::kEntrySize];
        WriteLe32(bytes + avi::idx1::kChunkId, entry.chunkId);
        WriteLe32(bytes + avi::idx1::kFlags, entry.flags);
        WriteLe32(bytes + avi::idx1::kOffset, entry.offset);
        WriteLe32(bytes + avi::idx1::kLength, entry.length);
        if (!destination.Write(bytes, sizeof bytes))
            return false;
    }
    entries.clear();
    return true;
}

}  // namespace kestrel
