#pragma once

#include "mjpeg/LibJpeg.h"

#include <csetjmp>

namespace kestrel::mjpeg {

// The error manager of one codec call. The library's fatal errors end in
// CodecErrorExit, which keeps the library's message here and jumps back to
// the setjmp of the codec call that owns this manager. Nothing is printed:
// the first warning is kept here too, and the library counts the warnings.
struct CodecErrorManager {
    jpeg_error_mgr pub;  // first member: the library sees only this part
    std::jmp_buf jumpBuffer;
    char message[JMSG_LENGTH_MAX];       // the fatal error's text
    char firstWarning[JMSG_LENGTH_MAX];  // the first warning's text, empty when none
};

// Fills the manager with the library's defaults and replaces error_exit and
// output_message.
// Returns the pointer to store in the codec object's err member.
jpeg_error_mgr* InstallCodecErrorManager(CodecErrorManager& manager);

// The fatal-error hook: keeps the library's message in the manager and
// leaves by longjmp; it never returns into the library.
[[noreturn]] void CodecErrorExit(j_common_ptr cinfo);

}  // namespace kestrel::mjpeg
