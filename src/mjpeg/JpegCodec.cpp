#include "mjpeg/JpegCodec.h"

#include "mjpeg/CodecError.h"
#include "mjpeg/MemoryDestination.h"
#include "mjpeg/MemorySource.h"
#include "mjpeg/MjpegHeaderWriter.h"
#include "mjpeg/PlaneFit.h"
#include "mjpeg/PlaneTransform.h"
#include "mjpeg/StandardDht.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>
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

bool GrowPlane(SamplePlane& plane) noexcept
{
    plane.stride = RoundUp(static_cast<size_t>(plane.size.width), kRowAlignment);
    try {
        const size_t bytes = plane.stride * static_cast<size_t>(plane.size.height);
        if (plane.samples.size() < bytes)
            plane.samples.resize(bytes);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

// The picture samples of the component's last sample along an axis that lie
// beyond the picture's `length`, for whole ratios of `maxFactor` to `factor`.
int32_t Overhang(JDIMENSION samples, int factor, int maxFactor, JDIMENSION length)
{
    if (maxFactor % factor != 0)
        return 0;
    return static_cast<int32_t>(samples * static_cast<JDIMENSION>(maxFactor / factor) - length);
}

// Gives each plane of `image` the size and sampling of its component after
// `transform`.
bool SizePlanes(j_decompress_ptr cinfo, std::optional<RotationMode> transform, PlanarImage& image) noexcept
{
    const bool swaps = transform && SwapsDimensions(*transform);
    const bool reversesColumns = transform && ReversesColumns(*transform);
    const bool reversesRows = transform && ReversesRows(*transform);
    image.maxHorizontal = swaps ? cinfo->max_v_samp_factor : cinfo->max_h_samp_factor;
    image.maxVertical = swaps ? cinfo->max_h_samp_factor : cinfo->max_v_samp_factor;
    for (int ci = 0; ci < kComponents; ++ci) {
        const jpeg_component_info& component = cinfo->comp_info[ci];
        const PictureSize own{static_cast<int32_t>(component.downsampled_width),
                              static_cast<int32_t>(component.downsampled_height)};
        SamplePlane& plane = image.planes[ci];
        plane.size = swaps ? PictureSize{own.height, own.width} : own;
        plane.horizontalFactor = swaps ? component.v_samp_factor : component.h_samp_factor;
        plane.verticalFactor = swaps ? component.h_samp_factor : component.v_samp_factor;
        const int32_t across = Overhang(component.downsampled_width, component.h_samp_factor, cinfo->max_h_samp_factor,
                                        cinfo->image_width);
        const int32_t down = Overhang(component.downsampled_height, component.v_samp_factor, cinfo->max_v_samp_factor,
                                      cinfo->image_height);
        plane.leadingColumns = reversesColumns ? (swaps ? down : across) : 0;
        plane.leadingRows = reversesRows ? (swaps ? across : down) : 0;
        if (!GrowPlane(plane))
            return false;
    }
    return true;
}

// The steps of a decode after the decompressor exists. Runs below
// DecodePlanes's setjmp: holds nothing that needs destroying, since a fatal
// library error leaves it by longjmp.
CodecStatus DecodeFrame(j_decompress_ptr cinfo, MemorySource& source, const CodecBuffer& frame, PictureSize expected,
                        SourceQuantTables& tables, PlanarImage& image, std::optional<RotationMode> transform,
                        const FrameLimits& limits)
{
    InstallMemorySource(cinfo, source, frame);
    jpeg_read_header(cinfo, TRUE);
    if (cinfo->num_components != kComponents || cinfo->jpeg_color_space != JCS_YCbCr ||
        cinfo->image_width != static_cast<JDIMENSION>(expected.width) ||
        cinfo->image_height != static_cast<JDIMENSION>(expected.height)) {
        return CodecStatus::UnexpectedPicture;
    }
    if (const CodecStatus within = CheckFrameLimits(cinfo, frame.length, limits); within != CodecStatus::Ok)
        return within;
    cinfo->raw_data_out = TRUE;
    jpeg_start_decompress(cinfo);

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
    const CodecStatus read = ReadRawPlanes(cinfo, transform, image);
    if (read != CodecStatus::Ok) {
        return read;
    }
    jpeg_finish_decompress(cinfo);
    return HoldsAnotherPicture(cinfo) ? CodecStatus::UnexpectedPicture : CodecStatus::Ok;
}

}  // namespace

bool HoldsAnotherPicture(j_decompress_ptr cinfo)
{
    const uint8_t* rest = cinfo->src->next_input_byte;
    for (size_t i = 0; i + 2 < cinfo->src->bytes_in_buffer; ++i) {
        if (rest[i] == 0xFF && rest[i + 1] == 0xD8 && rest[i + 2] == 0xFF) {
            return true;
        }
    }
    return false;
}

CodecStatus ReadRawPlanes(j_decompress_ptr cinfo, std::optional<RotationMode> transform, PlanarImage& image)
{
    if (!SizePlanes(cinfo, transform, image)) {
        return CodecStatus::OutOfMemory;
    }

    // The library hands over one row of MCUs at a time: v x 8 rows of each
    // component, each row as wide as the component's MCUs. Every strip goes
    // straight to its place in the plane, as it is or already transformed.
    JSAMPARRAY strips[kComponents];
    for (int ci = 0; ci < kComponents; ++ci) {
        const jpeg_component_info& component = cinfo->comp_info[ci];
        strips[ci] = (*cinfo->mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_IMAGE,
                                                 cinfo->MCUs_per_row *
                                                     static_cast<JDIMENSION>(component.h_samp_factor * DCTSIZE),
                                                 static_cast<JDIMENSION>(component.v_samp_factor * DCTSIZE));
    }
    const auto linesPerMcuRow = static_cast<JDIMENSION>(cinfo->max_v_samp_factor * DCTSIZE);
    for (JDIMENSION mcuRow = 0; cinfo->output_scanline < cinfo->output_height; ++mcuRow) {
        if (jpeg_read_raw_data(cinfo, strips, linesPerMcuRow) == 0) {
            return CodecStatus::Failed;  // only a suspending source returns no row
        }
        for (int ci = 0; ci < kComponents; ++ci) {
            const jpeg_component_info& component = cinfo->comp_info[ci];
            if (!component.component_needed) {
                continue;
            }
            const auto stripRows = static_cast<JDIMENSION>(component.v_samp_factor * DCTSIZE);
            const JDIMENSION first = mcuRow * stripRows;
            if (first >= component.downsampled_height) {
                continue;
            }
            const JDIMENSION count = std::min(stripRows, component.downsampled_height - first);
            SamplePlane& plane = image.planes[ci];
            if (transform) {
                const PictureSize own{static_cast<int32_t>(component.downsampled_width),
                                      static_cast<int32_t>(component.downsampled_height)};
                PlaceRows(strips[ci], first, count, own, *transform, plane.samples.data(), plane.stride);
            } else {
                for (JDIMENSION k = 0; k < count; ++k) {
                    std::memcpy(plane.Row(first + k), strips[ci][k], component.downsampled_width);
                }
            }
        }
    }
    return CodecStatus::Ok;
}

namespace {

// The steps of an encode after the compressor exists; like DecodeFrame it
// holds nothing that needs destroying.
uint32_t EncodeFrame(j_compress_ptr cinfo, MemoryDestination& destination, const std::array<EncoderPlane, 3>& planes,
                     std::vector<uint8_t>& out, PictureSize size, const SourceQuantTables& tables,
                     std::span<const uint8_t> segments)
{
    InstallMemoryDestination(cinfo, destination, out);
    ConfigureOutputFrame(cinfo, size, tables);

    jpeg_start_compress(cinfo, TRUE);
    MjpegHeaderWriter::TakeOverHeaders(cinfo);
    MjpegHeaderWriter writer(cinfo);
    writer.WriteSegments(segments.data(), segments.size());
    writer.WriteFrameHeader();

    // One row of MCUs is 8 rows of every component; rows past a plane's end
    // repeat its last one, as the library pads a partial block.
    static_assert(kOutputMaxVertical == 1);
    JSAMPROW rows[kComponents][DCTSIZE];
    JSAMPARRAY mcuRow[kComponents] = {rows[0], rows[1], rows[2]};
    for (JDIMENSION first = 0; cinfo->next_scanline < cinfo->image_height; first += DCTSIZE) {
        for (int ci = 0; ci < kComponents; ++ci) {
            const EncoderPlane& plane = planes[ci];
            for (JDIMENSION k = 0; k < DCTSIZE; ++k) {
                const size_t row = std::min<size_t>((first + k + static_cast<size_t>(plane.leadingRows)) *
                                                        static_cast<size_t>(plane.verticalFactor) /
                                                        static_cast<size_t>(plane.maxVertical),
                                                    static_cast<size_t>(plane.rows) - 1);
                // The library only reads the rows it is handed in raw mode.
                rows[ci][k] = const_cast<JSAMPROW>(plane.samples + row * plane.stride);
            }
        }
        jpeg_write_raw_data(cinfo, mcuRow, DCTSIZE);
    }
    jpeg_finish_compress(cinfo);

    if (destination.bytesWritten > std::numeric_limits<uint32_t>::max()) {
        ERREXIT(cinfo, JERR_FILE_WRITE);
    }
    return static_cast<uint32_t>(destination.bytesWritten);
}

// The planes must hold what EncodeFrame reads of them.
bool PlanesFit(const std::array<EncoderPlane, 3>& planes, PictureSize size)
{
    if (size.width <= 0 || size.height <= 0) {
        return false;
    }
    for (int ci = 0; ci < kComponents; ++ci) {
        const EncoderPlane& plane = planes[ci];
        if (plane.samples == nullptr || plane.rows <= 0 || plane.verticalFactor <= 0 || plane.maxVertical <= 0 ||
            plane.leadingRows < 0 || plane.width != OutputComponentWidth(size.width, ci) ||
            plane.stride < RoundUp(static_cast<size_t>(plane.width), kBlockSize)) {
            return false;
        }
    }
    return true;
}

}  // namespace

CodecStatus DecodePlanes(const CodecBuffer& frame, PictureSize expected, SourceQuantTables& tables, PlanarImage& image,
                         std::optional<RotationMode> transform, std::string* libraryMessage, std::string* firstWarning,
                         const FrameLimits& limits)
{
    jpeg_decompress_struct cinfo{};
    CodecErrorManager errorManager;
    MemorySource source;
    cinfo.err = InstallCodecErrorManager(errorManager, limits.stop);
    if (setjmp(errorManager.jumpBuffer) != 0) {
        jpeg_destroy_decompress(&cinfo);
        if (libraryMessage)
            *libraryMessage = errorManager.message;
        return errorManager.FailureStatus();
    }
    jpeg_create_decompress(&cinfo);
    WatchStop(reinterpret_cast<j_common_ptr>(&cinfo), errorManager);
    const CodecStatus status = DecodeFrame(&cinfo, source, frame, expected, tables, image, transform, limits);
    jpeg_destroy_decompress(&cinfo);
    if (firstWarning)
        *firstWarning = errorManager.firstWarning;
    return status;
}

EncodeResult EncodePlanes(const std::array<EncoderPlane, 3>& planes, std::vector<uint8_t>& out, PictureSize size,
                          const SourceQuantTables& tables, std::string* libraryMessage,
                          std::span<const uint8_t> segments, const std::atomic<bool>* stop)
{
    if (!PlanesFit(planes, size)) {
        return {CodecStatus::UnexpectedPicture, 0};
    }
    jpeg_compress_struct cinfo{};
    CodecErrorManager errorManager;
    MemoryDestination destination;
    cinfo.err = InstallCodecErrorManager(errorManager, stop);
    if (setjmp(errorManager.jumpBuffer) != 0) {
        jpeg_destroy_compress(&cinfo);
        if (libraryMessage)
            *libraryMessage = errorManager.message;
        return {errorManager.FailureStatus(), 0};
    }
    jpeg_create_compress(&cinfo);
    WatchStop(reinterpret_cast<j_common_ptr>(&cinfo), errorManager);
    const uint32_t length = EncodeFrame(&cinfo, destination, planes, out, size, tables, segments);
    jpeg_destroy_compress(&cinfo);
    return {CodecStatus::Ok, length};
}

void ConfigureOutputFrame(j_compress_ptr cinfo, PictureSize size, const SourceQuantTables& tables)
{
    cinfo->image_width = static_cast<JDIMENSION>(size.width);
    cinfo->image_height = static_cast<JDIMENSION>(size.height);
    cinfo->input_components = kComponents;
    cinfo->in_color_space = JCS_YCbCr;
    jpeg_set_defaults(cinfo);
    cinfo->raw_data_in = TRUE;
    cinfo->optimize_coding = FALSE;
    cinfo->dct_method = JDCT_ISLOW;
    InstallStandardHuffmanTables(cinfo);
    jpeg_add_quant_table(cinfo, 0, tables.tables[0].data(), kQuantScale, TRUE);
    jpeg_add_quant_table(cinfo, 1, tables.tables[1].data(), kQuantScale, TRUE);

    // 4:2:2: chroma halved across, a 16 x 8 MCU of two Y blocks, Cb, Cr.
    for (int ci = 0; ci < kComponents; ++ci) {
        cinfo->comp_info[ci].h_samp_factor = OutputHorizontalFactor(ci);
        cinfo->comp_info[ci].v_samp_factor = 1;
    }
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
