#include "mjpeg/JpegCodec.h"

#include "mjpeg/CodecError.h"
#include "mjpeg/MemoryDestination.h"
#include "mjpeg/MemorySource.h"
#include "mjpeg/MjpegHeaderWriter.h"
#include "mjpeg/PixelTransform.h"
#include "mjpeg/StandardDht.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <type_traits>

namespace kestrel::mjpeg {

namespace {

// SourceQuantTables are handed to jpeg_add_quant_table as they are.
static_assert(std::is_same_v<uint32_t, unsigned int>);

constexpr int kComponents = 3;
// Every entry keeps its value; force_baseline clamps it to 1..255.
constexpr int kQuantScale = 100;
// Component indices in the compressor and decompressor.
constexpr int kLuma = 0;
constexpr int kCb = 1;
constexpr int kCr = 2;

// The steps of a decode after the decompressor exists. Runs below Decode's
// setjmp: holds nothing that needs destroying, since a fatal library error
// leaves it by longjmp.
CodecStatus DecodeFrame(j_decompress_ptr cinfo, MemorySource& source, const CodecBuffer& frame, uint8_t* pixels,
                        size_t capacity, PictureSize expected, SourceQuantTables& tables,
                        std::optional<RotationMode> transform)
{
    InstallMemorySource(cinfo, source, frame);
    jpeg_read_header(cinfo, TRUE);
    if (cinfo->num_components != kComponents || cinfo->jpeg_color_space != JCS_YCbCr ||
        cinfo->image_width != static_cast<JDIMENSION>(expected.width) ||
        cinfo->image_height != static_cast<JDIMENSION>(expected.height)) {
        return CodecStatus::UnexpectedPicture;
    }
    cinfo->out_color_space = JCS_YCbCr;
    jpeg_start_decompress(cinfo);

    const size_t stride = static_cast<size_t>(cinfo->output_width) * static_cast<size_t>(cinfo->output_components);
    if (cinfo->output_components != kComponents ||
        cinfo->output_width != static_cast<JDIMENSION>(expected.width) ||
        cinfo->output_height != static_cast<JDIMENSION>(expected.height) ||
        stride * cinfo->output_height > capacity) {
        return CodecStatus::UnexpectedPicture;
    }

    // The tables the decoder has latched for Y and Cb are the ones their
    // coefficients were quantized with; a frame may name any table number
    // for them (some encoders use table 0 for all components).
    for (int ci : {kLuma, kCb}) {
        const JQUANT_TBL* quant = cinfo->comp_info[ci].quant_table;
        if (quant == nullptr) {
            ERREXIT1(cinfo, JERR_NO_QUANT_TABLE, cinfo->comp_info[ci].quant_tbl_no);
        }
        std::copy(std::begin(quant->quantval), std::end(quant->quantval), tables.tables[ci].begin());
    }

    // Rows come from the library a strip at a time and go straight to their
    // place in `pixels`: as they are, or already transformed.
    JSAMPARRAY strip = (*cinfo->mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_IMAGE,
                                                    static_cast<JDIMENSION>(stride), kStripRows);
    while (cinfo->output_scanline < cinfo->output_height) {
        const JDIMENSION first = cinfo->output_scanline;
        const JDIMENSION wanted = std::min<JDIMENSION>(kStripRows, cinfo->output_height - first);
        for (JDIMENSION got = 0; got < wanted;) {
            const JDIMENSION rows = jpeg_read_scanlines(cinfo, strip + got, wanted - got);
            if (rows == 0) {
                return CodecStatus::Failed;  // only a suspending source returns no row
            }
            got += rows;
        }
        if (transform) {
            PlaceRows(strip, first, wanted, expected, *transform, pixels);
        } else {
            for (JDIMENSION k = 0; k < wanted; ++k) {
                std::memcpy(pixels + (first + k) * stride, strip[k], stride);
            }
        }
    }
    jpeg_finish_decompress(cinfo);
    return CodecStatus::Ok;
}

// The steps of an encode after the compressor exists; like DecodeFrame it
// holds nothing that needs destroying.
uint32_t EncodeFrame(j_compress_ptr cinfo, MemoryDestination& destination, const CodecBuffer& pixels,
                     std::vector<uint8_t>& out, PictureSize size, const SourceQuantTables& tables)
{
    InstallMemoryDestination(cinfo, destination, out);
    cinfo->image_width = static_cast<JDIMENSION>(size.width);
    cinfo->image_height = static_cast<JDIMENSION>(size.height);
    cinfo->input_components = kComponents;
    cinfo->in_color_space = JCS_YCbCr;
    jpeg_set_defaults(cinfo);
    cinfo->optimize_coding = FALSE;
    cinfo->dct_method = JDCT_ISLOW;
    InstallStandardHuffmanTables(cinfo);
    jpeg_add_quant_table(cinfo, 0, tables.tables[0].data(), kQuantScale, TRUE);
    jpeg_add_quant_table(cinfo, 1, tables.tables[1].data(), kQuantScale, TRUE);

    // 4:2:2: chroma halved across, a 16 x 8 MCU of two Y blocks, Cb, Cr.
    cinfo->comp_info[kLuma].h_samp_factor = 2;
    cinfo->comp_info[kLuma].v_samp_factor = 1;
    for (int ci : {kCb, kCr}) {
        cinfo->comp_info[ci].h_samp_factor = 1;
        cinfo->comp_info[ci].v_samp_factor = 1;
    }

    jpeg_start_compress(cinfo, TRUE);
    MjpegHeaderWriter::TakeOverHeaders(cinfo);
    MjpegHeaderWriter(cinfo).WriteFrameHeader();

    const size_t stride = static_cast<size_t>(size.width) * kComponents;
    while (cinfo->next_scanline < cinfo->image_height) {
        JSAMPROW row = pixels.data + static_cast<size_t>(cinfo->next_scanline) * stride;
        jpeg_write_scanlines(cinfo, &row, 1);
    }
    jpeg_finish_compress(cinfo);

    if (destination.bytesWritten > std::numeric_limits<uint32_t>::max()) {
        ERREXIT(cinfo, JERR_FILE_WRITE);
    }
    return static_cast<uint32_t>(destination.bytesWritten);
}

}  // namespace

CodecStatus Decode(const CodecBuffer& frame, uint8_t* pixels, size_t capacity, PictureSize expected,
                   SourceQuantTables& tables, std::optional<RotationMode> transform, std::string* libraryMessage)
{
    jpeg_decompress_struct cinfo{};
    CodecErrorManager errorManager;
    MemorySource source;
    cinfo.err = InstallCodecErrorManager(errorManager);
    if (setjmp(errorManager.jumpBuffer) != 0) {
        jpeg_destroy_decompress(&cinfo);
        if (libraryMessage)
            *libraryMessage = errorManager.message;
        return CodecStatus::Failed;
    }
    jpeg_create_decompress(&cinfo);
    const CodecStatus status = DecodeFrame(&cinfo, source, frame, pixels, capacity, expected, tables, transform);
    jpeg_destroy_decompress(&cinfo);
    return status;
}

EncodeResult Encode(const CodecBuffer& pixels, std::vector<uint8_t>& out, PictureSize size,
                    const SourceQuantTables& tables, std::string* libraryMessage)
{
    if (size.width <= 0 || size.height <= 0 ||
        static_cast<uint64_t>(size.width) * static_cast<uint64_t>(size.height) * kComponents > pixels.length) {
        return {CodecStatus::UnexpectedPicture, 0};
    }
    jpeg_compress_struct cinfo{};
    CodecErrorManager errorManager;
    MemoryDestination destination;
    cinfo.err = InstallCodecErrorManager(errorManager);
    if (setjmp(errorManager.jumpBuffer) != 0) {
        jpeg_destroy_compress(&cinfo);
        if (libraryMessage)
            *libraryMessage = errorManager.message;
        return {CodecStatus::Failed, 0};
    }
    jpeg_create_compress(&cinfo);
    const uint32_t length = EncodeFrame(&cinfo, destination, pixels, out, size, tables);
    jpeg_destroy_compress(&cinfo);
    return {CodecStatus::Ok, length};
}

void InstallStandardHuffmanTables(j_compress_ptr cinfo)
{
    // Installed in the order DC 0, AC 0, DC 1, AC 1.
    const auto tables = StandardHuffmanTables();
    for (size_t index : {0u, 2u, 1u, 3u}) {
        const StandardHuffmanTable& table = tables[index];
        JHUFF_TBL** slot = table.tableClass == 0 ? &cinfo->dc_huff_tbl_ptrs[table.tableNumber]
                                                 : &cinfo->ac_huff_tbl_ptrs[table.tableNumber];
        if (*slot == nullptr) {
            *slot = jpeg_alloc_huff_table(reinterpret_cast<j_common_ptr>(cinfo));
        }
        JHUFF_TBL* huff = *slot;
        huff->bits[0] = 0;  // bits[k] counts the codes of length k
        std::copy(table.codeCounts.begin(), table.codeCounts.end(), huff->bits + 1);
        std::fill(std::begin(huff->huffval), std::end(huff->huffval), UINT8(0));
        std::copy(table.symbols.begin(), table.symbols.end(), huff->huffval);
        huff->sent_table = FALSE;
    }
}

}  // namespace kestrel::mjpeg
