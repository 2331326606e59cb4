#pragma once

#include "base/ByteOrder.h"
#include "base/Failure.h"

#include <cstdint>

namespace kestrel {

class ChunkStream;

// Opens a chunk in `out`: FOURCC, a size field that EndChunk fills in and,
// for RIFF and LIST, the list type. Returns the chunk's offset in `out`.
uint64_t BeginChunk(ChunkStream& out, FourCC id, FourCC listType = 0);

// Closes the chunk opened at `start`: its size field says how many bytes
// were written since, and a pad byte follows odd data.
Status EndChunk(ChunkStream& out, uint64_t start);

// Overwrites a 32-bit field written earlier; a value past 32 bits is the
// 4 GB limit of RIFF sizes.
Status PatchLe32(ChunkStream& out, uint64_t position, uint64_t value);

// Writes `length` zero bytes.
Status WriteZeros(ChunkStream& out, uint64_t length);

}  // namespace kestrel
