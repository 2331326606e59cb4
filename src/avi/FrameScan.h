#pragma once

#include "avi/ChunkStream.h"
#include "base/ByteOrder.h"

#include <array>
#include <cstdint>
#include <optional>

namespace kestrel {

// Whether a chunk `id` of a 'movi' or 'rec ' list is a compressed video
// frame: a "dc" chunk of any stream, or a "db" chunk of the Motion-JPEG video
// stream `videoStream` (some writers store their frames so). The dispatcher
// and the scan below decide by this one rule.
bool IsVideoFrameChunk(FourCC id, std::optional<int32_t> videoStream);

// Where one video frame chunk lies in the source.
struct FrameSpan {
    uint64_t offset = 0;  // the chunk's FOURCC
    uint32_t size = 0;    // its data, behind the 8-byte header
};

// Finds the video frame chunks of a 'movi' list ahead of the chunk walker,
// one at a time and in file order, reading only chunk headers through its
// own handle on the source. It descends into 'rec ' lists and skips
// everything else. It stops quietly at the first chunk it can't read or that
// runs past its list or the file: the walker refuses that chunk when it gets
// there. Frames of no data are left out (nothing to transcode).
//
// One scanner covers one list; a file continued in further 'movi' lists
// (AVIX) gets a scanner for each.
class FrameScanner {
public:
    // `source` must stay open while the scanner is used. The list's children
    // lie in [begin, end) of the source.
    FrameScanner(ChunkStream& source, uint64_t begin, uint64_t end, std::optional<int32_t> videoStream);

    // The next frame, or nothing when the list holds no more.
    std::optional<FrameSpan> Next() noexcept;

private:
    struct Level {
        uint64_t position;  // the next chunk header
        uint64_t end;       // the end of the list's data
    };

    ChunkStream& source_;
    std::optional<int32_t> videoStream_;
    // 'movi', then the 'rec ' list being scanned, if any: fixed, so that
    // Next neither allocates nor throws.
    std::array<Level, 2> levels_;
    size_t depth_ = 1;
};

}  // namespace kestrel
