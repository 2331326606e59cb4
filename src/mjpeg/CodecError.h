#pragma once

#include "mjpeg/LibJpeg.h"

#include <csetjmp>

namespace kestrel::mjpeg {

// The error manager of one codec call. The library's fatal errors end in
// CodecErrorExit, which prints the library's message and jumps back to the
// setjmp of the codec call that owns this manager.
struct CodecErrorManager {
    jpeg_error_mgr pub;  // first member: the library sees only this part
    std::jmp_buf jumpBuffer;
};

// Fills the manager with the library's defaults and replaces error_exit.
// Returns the pointer to store in the codec object's err member.
jpeg_error_mgr* InstallCodecErrorManager(CodecErrorManager& manager);

// The fatal-error hook: writes the library's message to stderr through
// output_message and leaves by longjmp; it never returns into the library.
[[noreturn]] void CodecErrorExit(j_common_ptr cinfo);

}  // namespace kestrel::mjpeg
