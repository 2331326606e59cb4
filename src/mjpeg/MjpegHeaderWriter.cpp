#include "mjpeg/MjpegHeaderWriter.h"

#include "mjpeg/JpegBytes.h"

// The marker writer's method table is declared in the library's internal
// header only; nothing else of it is used.
extern "C" {
#include <jpegint.h>
}

namespace kestrel::mjpeg {

namespace {

// The two quantization tables every frame carries: luminance and chrominance.
constexpr int kWrittenQuantTables = 2;
// The largest height and width a frame header can hold.
constexpr unsigned kMaxDimension = 65535;

// Stands in for the library's frame and scan header writers.
void WriteNothing(j_compress_ptr) { }

// The header writers of a compressor that writes coefficients.
void WriteCarriedSegmentsAndFrameHeader(j_compress_ptr cinfo)
{
    const auto* segments = static_cast<const std::span<const uint8_t>*>(cinfo->client_data);
    MjpegHeaderWriter writer(cinfo);
    writer.WriteSegments(segments->data(), segments->size());
    writer.WriteDri();
    writer.WriteDqt();
    writer.WriteSof(kSof0);
}

void WriteScanHeader(j_compress_ptr cinfo) { MjpegHeaderWriter(cinfo).WriteSos(); }

}  // namespace

void MjpegHeaderWriter::TakeOverHeaders(j_compress_ptr cinfo)
{
    cinfo->marker->write_frame_header = WriteNothing;
    cinfo->marker->write_scan_header = WriteNothing;
}

void MjpegHeaderWriter::WriteHeadersAtPassStart(j_compress_ptr cinfo, const std::span<const uint8_t>& segments)
{
    cinfo->client_data = const_cast<std::span<const uint8_t>*>(&segments);
    cinfo->marker->write_frame_header = WriteCarriedSegmentsAndFrameHeader;
    cinfo->marker->write_scan_header = WriteScanHeader;
}

void MjpegHeaderWriter::WriteByte(unsigned value)
{
    jpeg_destination_mgr* dest = cinfo_->dest;
    *dest->next_output_byte++ = static_cast<JOCTET>(value);
    if (--dest->free_in_buffer == 0) {
        if (!(*dest->empty_output_buffer)(cinfo_)) {
            ERREXIT(cinfo_, JERR_CANT_SUSPEND);
        }
    }
}

void MjpegHeaderWriter::WriteBe16(unsigned value)
{
    WriteByte((value >> 8) & 0xFF);
    WriteByte(value & 0xFF);
}

void MjpegHeaderWriter::WriteMarker(int code)
{
    WriteByte(kMarkerPrefix);
    WriteByte(static_cast<unsigned>(code));
}

void MjpegHeaderWriter::WriteSegments(const uint8_t* bytes, size_t size)
{
    for (size_t i = 0; i < size; ++i)
        WriteByte(bytes[i]);
}

void MjpegHeaderWriter::WriteDri()
{
    WriteMarker(kDri);
    WriteBe16(4);  // length
    WriteBe16(cinfo_->restart_interval);
}

void MjpegHeaderWriter::WriteDqt()
{
    for (int table = 0; table < kWrittenQuantTables; ++table) {
        if (cinfo_->quant_tbl_ptrs[table] == nullptr) {
            ERREXIT1(cinfo_, JERR_NO_QUANT_TABLE, table);
        }
    }
    WriteMarker(kDqt);
    WriteBe16(kSegmentLengthSize + kWrittenQuantTables * (1 + kQuantTableEntries));
    for (int table = 0; table < kWrittenQuantTables; ++table) {
        const JQUANT_TBL* quant = cinfo_->quant_tbl_ptrs[table];
        WriteByte(0 * 16 + static_cast<unsigned>(table));  // precision 0: 8-bit entries
        for (size_t k = 0; k < kQuantTableEntries; ++k) {
            WriteByte(quant->quantval[kZigZagToNatural[k]] & 0xFF);
        }
    }
}

void MjpegHeaderWriter::WriteSof(int markerCode)
{
    if (cinfo_->image_height > kMaxDimension || cinfo_->image_width > kMaxDimension) {
        ERREXIT1(cinfo_, JERR_IMAGE_TOO_BIG, kMaxDimension);
    }
    const auto components = static_cast<unsigned>(cinfo_->num_components);
    WriteMarker(markerCode);
    WriteBe16(3 * components + 8);  // length
    WriteByte(static_cast<unsigned>(cinfo_->data_precision));
    WriteBe16(cinfo_->image_height);
    WriteBe16(cinfo_->image_width);
    WriteByte(components);
    for (unsigned ci = 0; ci < components; ++ci) {
        const jpeg_component_info& component = cinfo_->comp_info[ci];
        WriteByte(static_cast<unsigned>(component.component_id));
        WriteByte(static_cast<unsigned>(component.h_samp_factor * 16 + component.v_samp_factor));
        WriteByte(static_cast<unsigned>(component.quant_tbl_no));
    }
}

void MjpegHeaderWriter::WriteSos()
{
    const auto components = static_cast<unsigned>(cinfo_->comps_in_scan);
    WriteMarker(kSos);
    WriteBe16(2 * components + 6);  // length
    WriteByte(components);
    for (unsigned i = 0; i < components; ++i) {
        const jpeg_component_info* component = cinfo_->cur_comp_info[i];
        WriteByte(static_cast<unsigned>(component->component_id));
        WriteByte(static_cast<unsigned>(component->dc_tbl_no * 16 + component->ac_tbl_no));
    }
    WriteByte(static_cast<unsigned>(cinfo_->Ss));
    WriteByte(static_cast<unsigned>(cinfo_->Se));
    WriteByte(static_cast<unsigned>(cinfo_->Ah * 16 + cinfo_->Al));
}

void MjpegHeaderWriter::WriteFrameHeader()
{
    WriteDri();
    WriteDqt();
    WriteSof(kSof0);
    WriteSos();
}

}  // namespace kestrel::mjpeg
