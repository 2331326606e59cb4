#pragma once

// The program's only contact with the JPEG library: decoding a frame held in
// memory into Y, Cb, Cr pixels, and encoding such pixels into a Motion-JPEG
// frame in memory. Each call creates and destroys its own codec object; a
// fatal library error ends the call with CodecStatus::Failed and the
// library's message in `libraryMessage` (when given). Nothing is printed.

#include "base/Transform.h"
#include "mjpeg/CodecBuffer.h"
#include "mjpeg/LibJpeg.h"
#include "mjpeg/PictureSize.h"
#include "mjpeg/SourceQuantTables.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kestrel::mjpeg {

enum class CodecStatus {
    Ok,
    Failed,             // the library gave up, or a table is missing
    UnexpectedPicture,  // not the expected size, or not three YCbCr components
};

// Decodes the JPEG stream in `frame` into `pixels` (Y Cb Cr, 3 bytes a pixel,
// top row first) and captures the quantization tables that its first two
// components (Y and Cb) use into `tables`, in natural order. A picture other
// than `expected` x 3 YCbCr components is refused before any pixel is
// written; nothing is written beyond `capacity` bytes. A stream that ends
// before its EOI marker decodes with its missing part grey. With a
// `transform`, each row goes straight to its place in the transformed
// picture (see PlaceRows) instead.
CodecStatus Decode(const CodecBuffer& frame, uint8_t* pixels, size_t capacity, PictureSize expected,
                   SourceQuantTables& tables, std::optional<RotationMode> transform = std::nullopt,
                   std::string* libraryMessage = nullptr);

struct EncodeResult {
    CodecStatus status = CodecStatus::Ok;
    uint32_t length = 0;  // bytes from the start of `out` up to and including EOI
};

// Encodes `size` pixels (Y Cb Cr, 3 bytes a pixel, top row first) from
// `pixels` into `out` from its first byte: SOI and the library's JFIF APP0
// segment (20 bytes), the MjpegHeaderWriter's DRI, DQT, SOF0 and SOS,
// baseline 4:2:2 entropy-coded data with the standard Huffman tables, EOI.
// The quantization tables are `tables` at scale 100, clamped to 1..255.
// `out` grows when the frame needs more room than its size.
EncodeResult Encode(const CodecBuffer& pixels, std::vector<uint8_t>& out, PictureSize size,
                    const SourceQuantTables& tables, std::string* libraryMessage = nullptr);

// Defines the typical Huffman tables of ITU-T T.81 Annex K.3 on the
// compressor: Table K.3 as DC 0, K.5 as AC 0, K.4 as DC 1, K.6 as AC 1.
void InstallStandardHuffmanTables(j_compress_ptr cinfo);

}  // namespace kestrel::mjpeg
