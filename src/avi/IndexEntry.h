#pragma once

#include "avi/SpillBuffer.h"
#include "base/ByteOrder.h"

namespace kestrel {

// One entry of the 'idx1' chunk the conversion writes.
struct IndexEntry {
    FourCC chunkId = 0;
    uint32_t flags = 0;
    uint32_t offset = 0;  // from the 'movi' list type to the chunk's FOURCC
    uint32_t length = 0;  // the chunk's data size, without the pad byte
};

class ChunkStream;

// Appends `entry` to the 'idx1' entries as the chunk stores them; false
// when the buffer could not keep it.
bool AddIndexEntry(SpillBuffer& entries, const IndexEntry& entry);

// Writes the 'idx1' chunk of all entries and empties the buffer; false when
// a write failed.
bool WriteIndex(ChunkStream& destination, SpillBuffer& entries);

}  // namespace kestrel
