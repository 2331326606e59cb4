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

}  // namespace

jpeg_error_mgr* InstallCodecErrorManager(CodecErrorManager& manager)
{
    jpeg_error_mgr* err = jpeg_std_error(&manager.pub);
    err->error_exit = CodecErrorExit;
    err->output_message = KeepWarning;
    manager.message[0] = '\0';
    manager.firstWarning[0] = '\0';
    return err;
}

void CodecErrorExit(j_common_ptr cinfo)
{
    CodecErrorManager& manager = ManagerOf(cinfo);
    (*cinfo->err->format_message)(cinfo, manager.message);
    std::longjmp(manager.jumpBuffer, 1);
}

}  // namespace kestrel::mjpeg
