#pragma once

#include <atomic>
#include <cstdint>

namespace kestrel {

// What one conversion shares with whoever watches it (the window's timer, the
// command line's progress line). StopRequested, ProgressPercent, Finished and
// FramesConverted may be read while the worker runs; StatusCode and the
// details are final only once Finished is set (or the worker has been joined).
struct ConversionStatus {
    // Set by the watcher to ask for a stop, and by the worker on any failure.
    std::atomic<bool> StopRequested{false};
    // Video frames done in percent, 0..100; 100 once the conversion succeeded.
    std::atomic<int32_t> ProgressPercent{0};
    // Set as the worker's last act, success or not.
    std::atomic<bool> Finished{false};
    // Video frames converted so far, for frames-per-second displays.
    std::atomic<int32_t> FramesConverted{0};

    // Reason of the most recent failure (see StatusCode.h), 0 = none.
    int32_t StatusCode = 0;
    // The offending FOURCC, bit count, width or frame number, as the code says.
    uint32_t StatusDetail = 0;
    // A second value for the messages that print two (a height).
    uint32_t StatusDetail2 = 0;

    void Record(int32_t code, uint32_t detail = 0, uint32_t detail2 = 0)
    {
        StatusCode = code;
        StatusDetail = detail;
        StatusDetail2 = detail2;
    }

    // Ready for a new job: everything back to its starting value.
    void Reset()
    {
        StopRequested = false;
        ProgressPercent = 0;
        Finished = false;
        FramesConverted = 0;
        Record(0);
    }
};

}  // namespace kestrel
