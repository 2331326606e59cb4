#pragma once

#include "avi/FrameWorkspace.h"
#include "base/Failure.h"
#include "mjpeg/FrameTranscoder.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kestrel {

class ChunkStream;
class FramePipeline;

// The new bytes of each video frame, in file order: from the frame
// pipeline's workers when they have transcoded the frame ahead, otherwise
// transcoded here on the walker's thread. It counts which did, so that a
// pipeline that stopped delivering shows.
class FrameSource {
public:
    struct Counts {
        uint32_t fromWorkers = 0;  // frames the pipeline delivered
        uint32_t byWalker = 0;     // frames transcoded on the walker's thread
    };
    // A frame's new bytes: `result.length` bytes at `data`, valid until Done.
    struct NewFrame {
        mjpeg::TranscodeResult result;
        const uint8_t* data = nullptr;
    };

    // `jobs` threads transcode frames (at most kMaximumWorkers, and fewer
    // when the picture is so large that their frames would not fit in the
    // frames' memory budget, FrameLimits.h); 1 (or no path): the walker
    // transcodes each frame itself. `salvage`: frames the library cannot
    // decode are replaced (Replacement).
    static constexpr uint64_t kMaximumWorkers = 64;
    FrameSource(const std::string& sourcePath, int32_t jobs, bool salvage);
    ~FrameSource();
    FrameSource(const FrameSource&) = delete;
    FrameSource& operator=(const FrameSource&) = delete;

    // Starts the workers on the frames among the children of a 'movi' list
    // lying in [begin, end) of the source, and stops them.
    void BeginList(uint64_t begin, uint64_t end, std::optional<int32_t> videoStream, const FrameFormat& format);
    void EndList();

    // The frame whose chunk starts at `offset` with `size` bytes of data,
    // which `source` is about to read: the data is read and transcoded, or
    // skipped when a worker has transcoded it.
    Status Next(ChunkStream& source, uint64_t offset, uint32_t size, const FrameFormat& format, NewFrame& frame);
    // The frame taken by Next, or its replacement, is written as `written`.
    void Done(const NewFrame& written);

    bool Salvaging() const { return salvage_; }
    // What takes the place of a frame the library cannot decode: the frame
    // written before it or, for the first, a grey picture of the stream's
    // size transcoded like any frame.
    NewFrame Replacement(const FrameFormat& format);

    Counts counts() const { return counts_; }
    // Stops the workers and frees every buffer; the next frame allocates them again.
    void Release();

private:
    std::string sourcePath_;
    int32_t jobs_;
    bool salvage_;
    std::vector<uint8_t> lastFrame_;  // with salvage: the last frame written
    FrameWorkspace workspace_;        // the walker's
    std::unique_ptr<FramePipeline> pipeline_;
    Counts counts_;
};

}  // namespace kestrel
