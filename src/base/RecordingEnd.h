#pragma once

#include "base/ByteOrder.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace kestrel {

// How a recording ended that its writer never finished: cut short (power
// lost, card full: the last lists run past the end of the file and the last
// chunk may be cut) or never finalized (list sizes left 0). The conversion
// takes every whole chunk before the end and drops the rest.
struct RecordingEnd {
    enum class Dropped {
        Nothing,  // the file ends on a chunk boundary
        Frame,    // part of video frame `frame`
        Chunk,    // part of a chunk `chunkId`
        Zeros,    // zero bytes a writer reserved behind the last chunk
    };

    bool cutShort = false;     // the lists run past the end of the file
    bool unfinalized = false;  // a list size was left 0
    uint64_t fileSize = 0;
    uint64_t droppedFrom = 0;  // the source offset of the first byte dropped
    Dropped dropped = Dropped::Nothing;
    uint32_t frame = 0;
    FourCC chunkId = 0;
    uint32_t framesConverted = 0;
    // Bytes behind the last RIFF chunk that are not a RIFF chunk, nor the
    // 'JUNK' chunk or zero bytes writers leave between them: ignored.
    uint64_t ignoredFrom = 0;
    uint64_t ignoredBytes = 0;

    bool Any() const { return cutShort || unfinalized || ignoredBytes > 0; }
};

// One line for the front ends, without a line break: "warning: clip.avi:
// recording cut short at byte 300000: 22 frames converted, the last 12,345
// bytes (part of frame 23) dropped"; or "warning: clip.avi: 1,200 bytes
// from byte 5,000 ignored: not a RIFF chunk". Empty when the recording was
// whole.
std::string FormatRecordingEnd(const RecordingEnd& end, std::string_view source);

}  // namespace kestrel
