#pragma once

#include "base/ByteOrder.h"

#include <vector>

namespace kestrel {

// One entry of the 'idx1' chunk the conversion writes.
struct IndexEntry {
    FourCC chunkId = 0;
    uint32_t flags = 0;
    uint32_t offset = 0;  // from the 'movi' list type to the chunk's FOURCC
    uint32_t length = 0;  // the chunk's data size, without the pad byte
};

using IndexEntries = std::vector<IndexEntry>;

class ChunkStream;

// Writes the 'idx1' chunk of all entries and empties the list; false when a
// write failed.
bool WriteIndex(ChunkStream& destination, IndexEntries& entries);

}  // namespace kestrel
