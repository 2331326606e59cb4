#include "mjpeg/CodecError.h"

#include <cstddef>
#include <type_traits>

namespace kestrel::mjpeg {

static_assert(std::is_standard_layout_v<CodecErrorManager>);
static_assert(offsetof(CodecErrorManager, pub) == 0);

jpeg_error_mgr* InstallCodecErrorManager(CodecErrorManager& manager)
{
    jpeg_error_mgr* err = jpeg_std_error(&manager.pub);
    err->error_exit = CodecErrorExit;
    return err;
}

void CodecErrorExit(j_common_ptr cinfo)
{
    (*cinfo->err->output_message)(cinfo);
    auto* manager = reinterpret_cast<CodecErrorManager*>(cinfo->err);
    std::longjmp(manager->jumpBuffer, 1);
}

}  // namespace kestrel::mjpeg
