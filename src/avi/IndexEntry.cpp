#include "avi/IndexEntry.h"

#include "avi/AviLayout.h"
#include "avi/ChunkStream.h"

namespace kestrel {

bool AddIndexEntry(SpillBuffer& entries, const IndexEntry& entry)
{
    uint8_t bytes[avi::idx1::kEntrySize];
    WriteLe32(bytes + avi::idx1::kChunkId, entry.chunkId);
    WriteLe32(bytes + avi::idx1::kFlags, entry.flags);
    WriteLe32(bytes + avi::idx1::kOffset, entry.offset);
    WriteLe32(bytes + avi::idx1::kLength, entry.length);
    return entries.Append(bytes, sizeof bytes);
}

bool WriteIndex(ChunkStream& destination, SpillBuffer& entries)
{
    uint8_t header[avi::kChunkHeaderSize];
    WriteLe32(header, avi::kIdx1);
    WriteLe32(header + 4, static_cast<uint32_t>(entries.Size()));
    return destination.Write(header, sizeof header) && entries.MoveTo(destination);
}

}  // namespace kestrel
