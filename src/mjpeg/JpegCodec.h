#pragma once

// The program's only contact with the JPEG library: decoding a frame held in
// memory into its Y, Cb and Cr planes, and encoding such planes into a
// Motion-JPEG frame in memory. Planes move as the library's raw data, at
// each component's own resolution: nothing is interpolated or averaged on
// the way in or out. Each call creates and destroys its own codec object; a
// fatal library error ends the call with CodecStatus::Failed (OutOfMemory
// when the library ran out) and the library's message in `libraryMessage`
// (when given). Nothing is printed.

#include "base/Transform.h"
#include "mjpeg/CodecBuffer.h"
#include "mjpeg/CodecError.h"
#include "mjpeg/FrameLimits.h"
#include "mjpeg/LibJpeg.h"
#include "mjpeg/PictureSize.h"
#include "mjpeg/SamplePlane.h"
#include "mjpeg/SourceQuantTables.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace kestrel::mjpeg {

// Decodes the JPEG stream in `frame` into `image`: one plane per component
// at the component's own resolution, with the frame's sampling factors.
// Captures the quantization tables that its first two components (Y and Cb)
// use into `tables`, in natural order. A picture other than `expected` x 3
// YCbCr components is refused before any sample is written. A stream that
// ends before its EOI marker decodes with its missing part grey. With a
// `transform`, each plane is turned or mirrored as it is decoded (see
// PlaceRows), and for the quarter turns its size and sampling factors
// exchange their horizontal and vertical parts. The planes grow as needed
// and keep their memory for the next frame; every stride is a multiple of 16.
// A frame the library decodes around damage in is decoded all the same; its
// first warning goes to `firstWarning` (when given), which is left empty for
// a frame without warnings. A frame beyond `limits` is refused before its
// picture is allocated (FrameLimits.h), and the limits' stop flag ends the
// decode between two rows of blocks.
CodecStatus DecodePlanes(const CodecBuffer& frame, PictureSize expected, SourceQuantTables& tables, PlanarImage& image,
                         std::optional<RotationMode> transform = std::nullopt, std::string* libraryMessage = nullptr,
                         std::string* firstWarning = nullptr, const FrameLimits& limits = {});

struct EncodeResult {
    CodecStatus status = CodecStatus::Ok;
    uint32_t length = 0;  // bytes from the start of `out` up to and including EOI
};

// Encodes a `size` picture from its Y, Cb and Cr `planes` laid out 4:2:2
// (Y `size.width` across, Cb and Cr half that rounded up; see EncoderPlane)
// into `out` from its first byte: SOI and the library's JFIF APP0 segment
// (20 bytes), the bytes of `segments` as they are (whole marker segments the
// frame carries over from its source), the MjpegHeaderWriter's DRI, DQT,
// SOF0 and SOS, baseline 4:2:2 entropy-coded data with the standard Huffman
// tables, EOI. The quantization tables are `tables` at scale 100, clamped to
// 1..255. `out` grows when the frame needs more room than its size.
EncodeResult EncodePlanes(const std::array<EncoderPlane, 3>& planes, std::vector<uint8_t>& out, PictureSize size,
                          const SourceQuantTables& tables, std::string* libraryMessage = nullptr,
                          std::span<const uint8_t> segments = {}, const std::atomic<bool>* stop = nullptr);

// Below a codec call's setjmp, once the decompressor has started an output
// pass with raw_data_out: sizes every plane of `image` for its component
// after `transform` (see DecodePlanes) and reads the components whose
// component_needed is set into their planes, turned or mirrored as each
// strip arrives. The other planes are sized but not written.
CodecStatus ReadRawPlanes(j_decompress_ptr cinfo, std::optional<RotationMode> transform, PlanarImage& image);

// Whether a second picture follows the decoded one's EOI in the frame (the
// second field of an interlaced frame, which would be lost: such frames are
// not one picture).
bool HoldsAnotherPicture(j_decompress_ptr cinfo);

// Sets up a compressor for a `size` output frame as EncodePlanes writes it:
// YCbCr 4:2:2 (Y 2 x 1, Cb and Cr 1 x 1 on table 1), raw data in, the
// standard Huffman tables, the integer DCT, `tables` at scale 100 clamped
// to 1..255.
void ConfigureOutputFrame(j_compress_ptr cinfo, PictureSize size, const SourceQuantTables& tables);

// Defines the typical Huffman tables of ITU-T T.81 Annex K.3 on the
// compressor: Table K.3 as DC 0, K.5 as AC 0, K.4 as DC 1, K.6 as AC 1.
void InstallStandardHuffmanTables(j_compress_ptr cinfo);

}  // namespace kestrel::mjpeg
