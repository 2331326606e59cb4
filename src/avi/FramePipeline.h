#pragma once

#include "avi/ChunkStream.h"
#include "avi/FrameScan.h"
#include "avi/FrameWorkspace.h"
#include "mjpeg/FrameTranscoder.h"

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace kestrel {

// Transcodes the video frames of one 'movi' list on worker threads, ahead
// of the chunk walker, which stays sequential and takes each frame's result
// in file order when it reaches the frame's chunk; it alone writes frames,
// index entries and progress.
//
// A scanner finds the frames (FrameScan.h); each worker claims the next
// frame, reads its payload with its own handle on the source and transcodes
// it with its own buffers. A window of 2 x workers slots bounds the frames
// in flight: frame k is claimed only once the walker has released frame
// k - window, so memory does not grow with the file's length. Whatever the
// pipeline can't deliver (a frame it did not find or could not read, a
// format changed in between, a worker out of memory) the walker transcodes
// itself, so the result never depends on the pipeline.
//
// The destructor stops the workers and joins them; a worker busy with a
// frame finishes it first.
class FramePipeline {
public:
    // A frame as a worker left it: the transcoder's result and, when it
    // succeeded, the new frame's bytes.
    struct Frame {
        mjpeg::TranscodeResult result;
        std::vector<uint8_t> data;
    };

    // Starts `workers` threads on the frames among the children of a 'movi'
    // list lying in [begin, end) of the file at `sourcePath`. Nothing when
    // there is nothing to gain or the pipeline can't run (fewer than two
    // workers, the source not opened again, no thread started): the walker
    // then transcodes every frame itself.
    static std::unique_ptr<FramePipeline> Start(const std::string& sourcePath, uint64_t begin, uint64_t end,
                                                std::optional<int32_t> videoStream, const FrameFormat& format,
                                                int32_t workers);
    ~FramePipeline();
    FramePipeline(const FramePipeline&) = delete;
    FramePipeline& operator=(const FramePipeline&) = delete;

    // The finished frame whose chunk starts at source offset `offset` with
    // `size` bytes of data, transcoded for `format`; waits for a worker to
    // finish it. Nothing when the pipeline does not have that frame: the
    // caller transcodes it. Frames found before `offset` that the caller did
    // not ask for are dropped. The frame stays valid until Release or the
    // next Take.
    const Frame* Take(uint64_t offset, uint32_t size, const FrameFormat& format);
    // Gives the taken frame's slot back to the workers.
    void Release();

private:
    struct Worker {
        ChunkStream source;  // its own handle: positional reads only
        FrameWorkspace workspace;
        std::thread thread;
    };
    enum class SlotState { Free, Working, Done };
    struct Slot {
        SlotState state = SlotState::Free;
        FrameSpan span;
        bool delivered = false;  // read and transcoded, successfully or with the frame's own error
        Frame frame;
    };

    FramePipeline(uint64_t begin, uint64_t end, std::optional<int32_t> videoStream, const FrameFormat& format,
                  int32_t workers);
    void Work(Worker& worker);
    bool TranscodeInto(Worker& worker, Slot& slot) noexcept;
    void ReleaseLocked();

    const FrameFormat format_;
    std::mutex scanMutex_;    // held by the worker that scans, taken before mutex_
    ChunkStream scanSource_;  // the scanner's handle, used under scanMutex_
    FrameScanner scanner_;
    std::vector<std::unique_ptr<Worker>> workers_;

    std::mutex mutex_;
    std::condition_variable workerWait_;  // room in the window, or stop
    std::condition_variable walkerWait_;  // a frame claimed or finished, or the scan ended
    std::vector<Slot> slots_;             // frame k in slot k % size
    uint64_t claimed_ = 0;                // frames handed to workers
    uint64_t taken_ = 0;                  // frames released by the walker
    bool holding_ = false;                // the walker holds frame taken_
    bool scanEnded_ = false;
    bool stop_ = false;
};

}  // namespace kestrel
