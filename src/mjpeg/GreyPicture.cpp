#include "mjpeg/GreyPicture.h"

#include "mjpeg/CodecError.h"
#include "mjpeg/MemoryDestination.h"

#include <csetjmp>

namespace kestrel::mjpeg {
namespace {

constexpr JSAMPLE kGrey = 128;

// The library calls, below the setjmp: nothing here has a destructor.
bool Encode(jpeg_compress_struct& cinfo, CodecErrorManager& errors, MemoryDestination& destination,
            std::vector<uint8_t>& out, JSAMPLE* row, int32_t width, int32_t height)
{
    cinfo.err = InstallCodecErrorManager(errors);
    if (setjmp(errors.jumpBuffer) != 0)
        return false;
    jpeg_create_compress(&cinfo);
    InstallMemoryDestination(&cinfo, destination, out);
    cinfo.image_width = static_cast<JDIMENSION>(width);
    cinfo.image_height = static_cast<JDIMENSION>(height);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_YCbCr;
    jpeg_set_defaults(&cinfo);
    jpeg_set_colorspace(&cinfo, JCS_YCbCr);
    cinfo.comp_info[0].h_samp_factor = 2;
    cinfo.comp_info[0].v_samp_factor = 1;
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height)
        jpeg_write_scanlines(&cinfo, &row, 1);
    jpeg_finish_compress(&cinfo);
    out.resize(destination.bytesWritten);
    return true;
}

}  // namespace

bool EncodeGreyPicture(int32_t width, int32_t height, std::vector<uint8_t>& out)
{
    if (width <= 0 || height <= 0)
        return false;
    std::vector<JSAMPLE> row(size_t(width) * 3, kGrey);
    jpeg_compress_struct cinfo{};
    CodecErrorManager errors{};
    MemoryDestination destination{};
    out.resize(4096);
    const bool encoded = Encode(cinfo, errors, destination, out, row.data(), width, height);
    jpeg_destroy_compress(&cinfo);
    return encoded;
}

}  // namespace kestrel::mjpeg
