#pragma once

#include "avi/SpillBuffer.h"
#include "base/ByteOrder.h"
#include "base/Failure.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kestrel {

class ChunkStream;

// The OpenDML indexes of one stream of the file being written: the data
// chunks of the RIFF chunk being written, which become its standard index
// ('ix##'), and one super index entry for each standard index written,
// which go into the stream's 'indx' chunk at the end.
class OpenDmlIndex {
public:
    // Where the stream list has room for the super index: a 'JUNK' chunk at
    // `start` in the output with `size` bytes of data.
    struct Room {
        uint64_t start = 0;
        uint32_t size = 0;
    };

    // Entries beyond a few MiB wait in `scratchFolder` (SpillBuffer.h).
    OpenDmlIndex(FourCC streamType, uint32_t sampleSize, std::string scratchFolder = {})
        : streamType_(streamType), sampleSize_(sampleSize), entries_(std::move(scratchFolder))
    {
    }

    // A data chunk of the stream whose data lies `offset` bytes behind the
    // start of its RIFF chunk; false when the entry could not be kept.
    bool Add(FourCC chunkId, uint32_t offset, uint32_t size, bool keyFrame);
    bool HasChunks() const { return !entries_.Empty(); }

    // Writes the standard index of the chunks added since the last one, as
    // an 'ix##' chunk here, their offsets counted from `riffStart`.
    Status WriteStandardIndex(ChunkStream& out, uint64_t riffStart, int32_t streamNumber);

    void SetRoom(const Room& room);
    bool HasRoom() const { return room_.has_value(); }
    // How many standard indexes the room's super index can list.
    uint32_t Capacity() const;
    // Writes the 'indx' chunk over the room.
    Status WriteSuperIndex(ChunkStream& out, int32_t streamNumber) const;

private:
    struct SuperEntry {
        uint64_t offset;
        uint32_t size;
        uint32_t duration;
    };
    FourCC ChunkId(int32_t streamNumber) const;

    FourCC streamType_;
    uint32_t sampleSize_;
    FourCC chunkId_ = 0;       // the id of the stream's first data chunk
    SpillBuffer entries_;      // standard index entries as stored
    uint64_t entryBytes_ = 0;  // data bytes of the chunks in entries_
    std::vector<SuperEntry> written_;
    std::optional<Room> room_;
};

}  // namespace kestrel
