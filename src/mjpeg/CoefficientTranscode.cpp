#include "mjpeg/CoefficientTranscode.h"

#include "mjpeg/CodecError.h"
#include "mjpeg/CoefficientMover.h"
#include "mjpeg/LosslessRule.h"
#include "mjpeg/MemoryDestination.h"
#include "mjpeg/MemorySource.h"
#include "mjpeg/MjpegHeaderWriter.h"
#include "mjpeg/PlaneFit.h"
#include "mjpeg/PlaneTransform.h"

// The compressor's forward DCT is reached through the library's internal
// header, as the header writer reaches its marker writer.
extern "C" {
#include <jpegint.h>
}

#include <algorithm>
#include <array>
#include <limits>
#include <new>
#include <type_traits>

namespace kestrel::mjpeg {

static_assert(std::is_same_v<CoefficientBlockRow, JBLOCKROW>);

namespace {

constexpr int kComponents = 3;

// Blocks across and down of output component `component` of a `size` frame.
JDIMENSION BlocksAcross(PictureSize size, int component)
{
    return static_cast<JDIMENSION>(
        RoundUp(static_cast<size_t>(OutputComponentWidth(size.width, component)), static_cast<size_t>(kBlockSize)) /
        kBlockSize);
}

JDIMENSION BlocksDown(PictureSize size)
{
    return static_cast<JDIMENSION>(RoundUp(static_cast<size_t>(size.height), static_cast<size_t>(kBlockSize)) /
                                   kBlockSize);
}

bool GrowRows(std::vector<JBLOCKROW>& rows, size_t count) noexcept
{
    try {
        rows.resize(count);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

// The grid of `array`, `width` x `height` blocks, through `rows`. The rows
// are accessed in order, as the library wants an array to be written.
BlockGrid GridOf(j_common_ptr cinfo, jvirt_barray_ptr array, JDIMENSION width, JDIMENSION height, bool writable,
                 std::vector<JBLOCKROW>& rows)
{
    if (!GrowRows(rows, height)) {
        ERREXIT1(cinfo, JERR_OUT_OF_MEMORY, 0);
    }
    for (JDIMENSION r = 0; r < height; ++r)
        rows[r] = (*cinfo->mem->access_virt_barray)(cinfo, array, r, 1, writable ? TRUE : FALSE)[0];
    return {rows.data(), width, height};
}

// The table a component's coefficients were quantized with.
QuantValues TableOf(j_decompress_ptr cinfo, int component)
{
    const JQUANT_TBL* quant = cinfo->comp_info[component].quant_table;
    QuantValues table;
    std::copy(std::begin(quant->quantval), std::end(quant->quantval), table.begin());
    return table;
}

// What the output's DQT carries: 8-bit entries. A source table with
// entries of 0 or above 255 is clamped, and the coefficients it quantized
// are quantized again with the clamped steps (Requantize): such a frame is
// not lossless.
QuantValues OutputTable(const QuantValues& moved)
{
    QuantValues table;
    std::transform(moved.begin(), moved.end(), table.begin(),
                   [](uint16_t step) { return static_cast<uint16_t>(std::clamp<uint16_t>(step, 1, 255)); });
    return table;
}

// Forward DCT and quantization of `plane` into the blocks of `grid` with
// the compressor's tables: rows past the plane's end repeat its last one,
// as the plane path's encoder does.
void ForwardTransform(j_compress_ptr cinfo, int component, const EncoderPlane& plane, const BlockGrid& grid)
{
    jpeg_component_info* info = &cinfo->comp_info[component];
    if (info->width_in_blocks != grid.width || info->height_in_blocks != grid.height) {
        ERREXIT(cinfo, JERR_BAD_DCTSIZE);
    }
    JSAMPROW rows[DCTSIZE];
    for (JDIMENSION blockRow = 0; blockRow < grid.height; ++blockRow) {
        for (JDIMENSION k = 0; k < DCTSIZE; ++k) {
            const size_t row =
                std::min<size_t>((blockRow * DCTSIZE + k + static_cast<size_t>(plane.leadingRows)) *
                                     static_cast<size_t>(plane.verticalFactor) / static_cast<size_t>(plane.maxVertical),
                                 static_cast<size_t>(plane.rows) - 1);
            rows[k] = const_cast<JSAMPROW>(plane.samples + row * plane.stride);
        }
        (*cinfo->fdct->forward_DCT)(cinfo, info, rows, grid.rows[blockRow], 0, 0, grid.width);
    }
}

// The steps of the coefficient path after both codec objects exist. Runs
// below TranscodeCoefficients's setjmp: holds nothing that needs destroying.
CoefficientResult TranscodeThroughCoefficients(j_decompress_ptr dinfo, j_compress_ptr cinfo, MemorySource& source,
                                               MemoryDestination& destination, const CodecBuffer& frame,
                                               PictureSize expected, RotationMode mode,
                                               const std::span<const uint8_t>& segments, TranscoderBuffers& buffers,
                                               std::vector<uint8_t>& out, const FrameLimits& limits)
{
    InstallMemorySource(dinfo, source, frame);
    jpeg_read_header(dinfo, TRUE);
    if (dinfo->num_components != kComponents || dinfo->jpeg_color_space != JCS_YCbCr ||
        dinfo->image_width != static_cast<JDIMENSION>(expected.width) ||
        dinfo->image_height != static_cast<JDIMENSION>(expected.height)) {
        return {CodecStatus::UnexpectedPicture, 0, false};
    }
    if (const CodecStatus within = CheckFrameLimits(dinfo, frame.length, limits); within != CodecStatus::Ok)
        return {within, 0, false};
    if (dinfo->data_precision != BITS_IN_JSAMPLE) {
        return {CodecStatus::Ok, 0, true};
    }

    // Which components move, and the output arrays of the others and of
    // the turned ones, requested before the read as the library wants.
    // Mirrored components move inside the source's own arrays.
    const auto common = reinterpret_cast<j_common_ptr>(dinfo);
    const PictureSize outputSize = TransformedSize(expected, mode);
    const bool swaps = SwapsDimensions(mode);
    std::array<bool, kComponents> moves{};
    std::array<jvirt_barray_ptr, kComponents> outputArrays{};
    bool needsSamples = false;
    for (int ci = 0; ci < kComponents; ++ci) {
        const jpeg_component_info& component = dinfo->comp_info[ci];
        const ComponentSampling sampling{component.h_samp_factor, component.v_samp_factor, dinfo->max_h_samp_factor,
                                         dinfo->max_v_samp_factor};
        moves[ci] = MovesAsCoefficients(expected, sampling, ci, mode);
        needsSamples = needsSamples || !moves[ci];
        if (!moves[ci] || swaps) {
            const JDIMENSION rows = BlocksDown(outputSize);
            const auto across = static_cast<JDIMENSION>(
                RoundUp(BlocksAcross(outputSize, ci), static_cast<size_t>(OutputHorizontalFactor(ci))));
            outputArrays[ci] = (*dinfo->mem->request_virt_barray)(common, JPOOL_IMAGE, FALSE, across, rows, rows);
        }
    }

    // The whole frame into the library's coefficient arrays.
    dinfo->buffered_image = TRUE;
    dinfo->raw_data_out = TRUE;
    jpeg_start_decompress(dinfo);
    int consumed = JPEG_SUSPENDED;
    do {
        // One row of blocks at a time: the stop request is looked at in between.
        if (dinfo->progress != nullptr)
            (*dinfo->progress->progress_monitor)(common);
        consumed = jpeg_consume_input(dinfo);
    } while (consumed != JPEG_REACHED_EOI && consumed != JPEG_SUSPENDED);
    if (consumed == JPEG_SUSPENDED) {
        return {CodecStatus::Failed, 0, false};  // only a suspending source stops short
    }
    if (HoldsAnotherPicture(dinfo)) {
        return {CodecStatus::UnexpectedPicture, 0, false};
    }
    jvirt_barray_ptr* sourceArrays = jpeg_read_coefficients(dinfo);
    // A component that no scan reached (a frame of several scans cut short)
    // has no table: the plane path decodes it grey, as it always has.
    for (int ci = 0; ci < kComponents; ++ci) {
        if (dinfo->comp_info[ci].quant_table == nullptr)
            return {CodecStatus::Ok, 0, true};
    }

    // The output's tables: the source's Y and Cb tables as their
    // coefficients move. Each moved component is quantized with the
    // output table it is written with.
    std::array<QuantValues, kComponents> sourceTables;
    for (int ci = 0; ci < kComponents; ++ci)
        sourceTables[ci] = MovedTable(TableOf(dinfo, ci), mode);
    const std::array<QuantValues, 2> outputTables = {OutputTable(sourceTables[0]), OutputTable(sourceTables[1])};
    for (size_t t = 0; t < outputTables.size(); ++t)
        std::copy(outputTables[t].begin(), outputTables[t].end(), buffers.SourceQuantTables.tables[t].begin());

    // The components that go through samples: decoded, turned or mirrored
    // strip by strip; the library skips the inverse DCT of the others.
    if (needsSamples) {
        for (int ci = 0; ci < kComponents; ++ci)
            dinfo->comp_info[ci].component_needed = moves[ci] ? FALSE : TRUE;
        jpeg_start_output(dinfo, dinfo->input_scan_number);
        const CodecStatus read = ReadRawPlanes(dinfo, mode, buffers.TransformedPlanes);
        if (read != CodecStatus::Ok) {
            return {read, 0, false};
        }
        jpeg_finish_output(dinfo);
    }

    CoefficientWorkspace& work = buffers.Coefficients;
    for (int ci = 0; ci < kComponents; ++ci) {
        if (!moves[ci])
            continue;
        const jpeg_component_info& component = dinfo->comp_info[ci];
        const QuantValues& outputTable = outputTables[ci == 0 ? 0 : 1];
        const BlockGrid from = GridOf(common, sourceArrays[ci], component.width_in_blocks, component.height_in_blocks,
                                      !swaps, work.sourceRows[ci]);
        if (!swaps) {
            MirrorBlocks(from, mode);
            Requantize(from, sourceTables[ci], outputTable);
            outputArrays[ci] = sourceArrays[ci];
            continue;
        }
        const BlockGrid to = GridOf(common, outputArrays[ci], BlocksAcross(outputSize, ci), BlocksDown(outputSize),
                                    true, work.outputRows[ci]);
        if (to.width != from.height || to.height != from.width) {
            ERREXIT(dinfo, JERR_BAD_DCTSIZE);
        }
        TurnBlocks(from, to, mode);
        Requantize(to, sourceTables[ci], outputTable);
    }

    // The compressor first lends its forward DCT to the components that
    // went through samples, then writes the frame.
    InstallMemoryDestination(cinfo, destination, out);
    if (needsSamples) {
        ConfigureOutputFrame(cinfo, outputSize, buffers.SourceQuantTables);
        jpeg_start_compress(cinfo, FALSE);
        for (int ci = 0; ci < kComponents; ++ci) {
            if (moves[ci])
                continue;
            EncoderPlane plane;
            if (!FitPlane(buffers.TransformedPlanes.planes[ci], buffers.TransformedPlanes, ci, outputSize.width,
                          buffers.FittedPlanes[ci], plane)) {
                ERREXIT1(cinfo, JERR_OUT_OF_MEMORY, 1);
            }
            const BlockGrid to = GridOf(common, outputArrays[ci], BlocksAcross(outputSize, ci), BlocksDown(outputSize),
                                        true, work.outputRows[ci]);
            ForwardTransform(cinfo, ci, plane, to);
        }
        jpeg_abort_compress(cinfo);
    }
    ConfigureOutputFrame(cinfo, outputSize, buffers.SourceQuantTables);
    jpeg_write_coefficients(cinfo, outputArrays.data());
    MjpegHeaderWriter::WriteHeadersAtPassStart(cinfo, segments);
    jpeg_finish_compress(cinfo);

    if (destination.bytesWritten > std::numeric_limits<uint32_t>::max()) {
        ERREXIT(cinfo, JERR_FILE_WRITE);
    }
    return {CodecStatus::Ok, static_cast<uint32_t>(destination.bytesWritten), false};
}

}  // namespace

void CoefficientWorkspace::Release()
{
    decoderMemory.Release();
    encoderMemory.Release();
    for (auto* grids : {&sourceRows, &outputRows})
        for (std::vector<CoefficientBlockRow>& rows : *grids)
            std::vector<CoefficientBlockRow>().swap(rows);
}

CoefficientResult TranscodeCoefficients(const CodecBuffer& frame, PictureSize expected, RotationMode mode,
                                        std::span<const uint8_t> segments, TranscoderBuffers& buffers,
                                        std::vector<uint8_t>& out, std::string* libraryMessage,
                                        std::string* firstWarning, const FrameLimits& limits)
{
    jpeg_decompress_struct dinfo{};
    jpeg_compress_struct cinfo{};
    CodecErrorManager errorManager;
    MemorySource source;
    MemoryDestination destination;
    // Both objects report to the one manager: a fatal error in either comes
    // back here.
    dinfo.err = InstallCodecErrorManager(errorManager, limits.stop);
    cinfo.err = dinfo.err;
    if (setjmp(errorManager.jumpBuffer) != 0) {
        jpeg_destroy_compress(&cinfo);
        jpeg_destroy_decompress(&dinfo);
        if (libraryMessage)
            *libraryMessage = errorManager.message;
        return {errorManager.FailureStatus(), 0, false};
    }
    jpeg_create_decompress(&dinfo);
    jpeg_create_compress(&cinfo);
    WatchStop(reinterpret_cast<j_common_ptr>(&dinfo), errorManager);
    WatchStop(reinterpret_cast<j_common_ptr>(&cinfo), errorManager);
    buffers.Coefficients.decoderMemory.Install(reinterpret_cast<j_common_ptr>(&dinfo));
    buffers.Coefficients.encoderMemory.Install(reinterpret_cast<j_common_ptr>(&cinfo));
    const CoefficientResult result = TranscodeThroughCoefficients(&dinfo, &cinfo, source, destination, frame, expected,
                                                                  mode, segments, buffers, out, limits);
    jpeg_destroy_compress(&cinfo);
    jpeg_destroy_decompress(&dinfo);
    if (firstWarning)
        *firstWarning = errorManager.firstWarning;
    return result;
}

}  // namespace kestrel::mjpeg
