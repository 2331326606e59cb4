#pragma once

#include "mjpeg/LibJpeg.h"

#include <atomic>
#include <csetjmp>

namespace kestrel::mjpeg {

enum class CodecStatus {
    Ok,
    Failed,             // the library gave up, or a table is missing
    UnexpectedPicture,  // not the expected size, or not three YCbCr components
    OutOfMemory,        // no memory for the library's arrays or the planes
    NotBaseline,        // a progressive or arithmetic-coded frame (FrameLimits.h)
    TooFewBytes,        // far too few bytes for its picture (FrameLimits.h)
    TooLarge,           // needs more memory than a frame may use (FrameLimits.h)
    Stopped,            // a stop request ended the call
};

// The error manager of one codec call. The library's fatal errors end in
// CodecErrorExit, which keeps the library's message here and jumps back to
// the setjmp of the codec call that owns this manager. Nothing is printed:
// the first warning is kept here too, and the library counts the warnings.
// With a stop flag, the library's progress monitor looks at it between two
// rows of blocks and ends the call when it is set.
struct CodecErrorManager {
    jpeg_error_mgr pub;  // first member: the library sees only this part
    std::jmp_buf jumpBuffer;
    char message[JMSG_LENGTH_MAX];       // the fatal error's text
    char firstWarning[JMSG_LENGTH_MAX];  // the first warning's text, empty when none
    jpeg_progress_mgr progress;
    const std::atomic<bool>* stop;
    bool stopped;

    // Why the library left a call by longjmp: Stopped, OutOfMemory or Failed.
    CodecStatus FailureStatus() const;
};

// Fills the manager with the library's defaults and replaces error_exit and
// output_message.
// Returns the pointer to store in the codec object's err member.
jpeg_error_mgr* InstallCodecErrorManager(CodecErrorManager& manager, const std::atomic<bool>* stop = nullptr);

// Has the progress monitor of `manager` watch its stop flag on `cinfo`, a
// codec object created with the manager (nothing without a flag).
void WatchStop(j_common_ptr cinfo, CodecErrorManager& manager);

// The fatal-error hook: keeps the library's message in the manager and
// leaves by longjmp; it never returns into the library.
[[noreturn]] void CodecErrorExit(j_common_ptr cinfo);

}  // namespace kestrel::mjpeg
