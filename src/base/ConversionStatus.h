#pragma once

#include "base/Failure.h"
#include "base/FrameWarnings.h"
#include "base/RecordingEnd.h"

#include <atomic>
#include <cstdint>

namespace kestrel {

// How a conversion ended.
enum class Outcome { Converted, Stopped, Failed };

struct ConversionResult {
    Outcome outcome = Outcome::Failed;
    Failure failure;            // why, when outcome is Failed
    FrameWarnings warnings;     // the JPEG library's warnings about the frames converted, in any outcome
    RecordingEnd recordingEnd;  // how a recording cut short or never finalized ended
    // Frames transcoded ahead by the frame pipeline's workers, and by the
    // walker itself (every frame when there are no workers): a pipeline that
    // stopped delivering shows here, not in the output's bytes.
    uint32_t framesFromWorkers = 0;
    uint32_t framesByWalker = 0;
};

// What one conversion shares with whoever watches it (the window's timer, the
// command line's progress line). StopRequested, ProgressPercent, Finished and
// FramesConverted may be read while the worker runs; Result is final only
// once Finished is set (or the worker has been joined).
struct ConversionStatus {
    // Set by the watcher to ask the worker to stop at its next chunk; the
    // worker never sets it.
    std::atomic<bool> StopRequested{false};
    // Video frames done in percent, 0..100; 100 once the conversion succeeded.
    std::atomic<int32_t> ProgressPercent{0};
    // Set as the worker's last act, success or not.
    std::atomic<bool> Finished{false};
    // Video frames converted so far, for frames-per-second displays.
    std::atomic<int32_t> FramesConverted{0};

    // Recorded once, by RunConversion, before Finished is set.
    ConversionResult Result;

    bool Succeeded() const { return Finished && Result.outcome == Outcome::Converted; }
    bool Failed() const { return Finished && Result.outcome == Outcome::Failed; }

    // Ready for a new job: everything back to its starting value.
    void Reset()
    {
        StopRequested = false;
        ProgressPercent = 0;
        Finished = false;
        FramesConverted = 0;
        Result = {};
    }
};

}  // namespace kestrel
