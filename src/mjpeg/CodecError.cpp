#include "mjpeg/CodecError.h"

#include <cstddef>
#include <type_traits>

namespace kestrel::mjpeg {

static_assert(std::is_standard_layout_v<CodecErrorManager>);
static_assert(offsetof(CodecErrorManager, pub) == 0);

namespace {

CodecErrorManager& ManagerOf(j_common_ptr cinfo) { return *reinterpret_cast<CodecErrorManager*>(cinfo->err); }

// Warnings (corrupt data the library decodes around) reach this hook instead
// of stderr; the first one is kept.
void KeepWarning(j_common_ptr cinfo)
{
    CodecErrorManager& manager = ManagerOf(cinfo);
    if (manager.firstWarning[0] == '\0')
        (*cinfo->err->format_message)(cinfo, manager.firstWarning);
}

// Called by the library between rows of blocks and between passes.
void LookAtStop(j_common_ptr cinfo)
{
    CodecErrorManager& manager = ManagerOf(cinfo);
    if (manager.stop != nullptr && manager.stop->load(std::memory_order_relaxed)) {
        manager.stopped = true;
        ERREXIT(cinfo, JERR_NOT_COMPILED);  // the code is not looked at: `stopped` says why
    }
}

}  // namespace

CodecStatus CodecErrorManager::FailureStatus() const
{
    if (stopped)
        return CodecStatus::Stopped;
    return pub.msg_code == JERR_OUT_OF_MEMORY ? CodecStatus::OutOfMemory : CodecStatus::Failed;
}

void WatchStop(j_common_ptr cinfo, CodecErrorManager& manager)
{
    if (manager.stop == nullptr)
        return;
    manager.progress = {};
    manager.progress.progress_monitor = LookAtStop;
    cinfo->progress = &manager.progress;
}

jpeg_error_mgr* InstallCodecErrorManager(CodecErrorManager& manager, const std::atomic<bool>* stop)
{
    jpeg_error_mgr* err = jpeg_std_error(&manager.pub);
    err->error_exit = CodecErrorExit;
    err->output_message = KeepWarning;
    manager.message[0] = '\0';
    manager.firstWarning[0] = '\0';
    manager.stop = stop;
    manager.stopped = false;
    return err;
}

void CodecErrorExit(j_common_ptr cinfo)
{
    CodecErrorManager& manager = ManagerOf(cinfo);
    (*cinfo->err->format_message)(cinfo, manager.message);
    std::longjmp(manager.jumpBuffer, 1);
}

}  // namespace kestrel::mjpeg
