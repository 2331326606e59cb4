#pragma once

#include "mjpeg/LibJpeg.h"

#include <cstddef>
#include <cstdint>
#include <span>

namespace kestrel::mjpeg {

// Writes the fixed header block of a Motion-JPEG frame, DRI, DQT, SOF0 and
// SOS (173 bytes), through a compressor's destination manager. It is used
// between jpeg_start_compress and the first jpeg_write_scanlines, after
// TakeOverHeaders has stopped the library from writing headers of its own.
class MjpegHeaderWriter {
public:
    static constexpr size_t kDriSize = 6;
    static constexpr size_t kDqtSize = 134;  // tables 0 and 1, 8-bit entries
    static constexpr size_t kSofSize = 19;   // three components
    static constexpr size_t kSosSize = 14;   // three components
    static constexpr size_t kFrameHeaderSize = kDriSize + kDqtSize + kSofSize + kSosSize;

    explicit MjpegHeaderWriter(j_compress_ptr cinfo) : cinfo_(cinfo) { }

    // Keeps the library from writing its frame header (DQT, SOF) and scan
    // header (DHT, DRI, SOS) when the first row is written. Call it after
    // jpeg_start_compress.
    static void TakeOverHeaders(j_compress_ptr cinfo);

    // For a compressor that writes coefficients (jpeg_write_coefficients),
    // whose scan is set up only when jpeg_finish_compress starts its pass:
    // the library's frame header writer is replaced by the bytes of
    // `segments` and DRI, DQT and SOF0, its scan header writer by SOS. The
    // compressor's client_data points at `segments` until the frame is done.
    static void WriteHeadersAtPassStart(j_compress_ptr cinfo, const std::span<const uint8_t>& segments);

    // Copies `size` bytes of whole marker segments as they are (APPn and COM
    // segments carried over from a source frame), in front of the header block.
    void WriteSegments(const uint8_t* bytes, size_t size);
    void WriteDri();
    void WriteDqt();
    void WriteSof(int markerCode);
    void WriteSos();
    // WriteDri, WriteDqt, WriteSof with SOF0, WriteSos.
    void WriteFrameHeader();

private:
    void WriteByte(unsigned value);
    void WriteBe16(unsigned value);
    void WriteMarker(int code);

    j_compress_ptr cinfo_;
};

static_assert(MjpegHeaderWriter::kFrameHeaderSize == 173);

}  // namespace kestrel::mjpeg
