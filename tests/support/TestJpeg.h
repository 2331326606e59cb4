#pragma once

// Makes small JPEG frames from synthetic Y Cb Cr pictures for the tests, and
// decodes frames back into pictures. The frames look like those of Motion-JPEG
// AVI files: a 20-byte head (SOI and an APP0 segment), optionally no DHT.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kestrel::test {

using Bytes = std::vector<uint8_t>;

// Pixels in row-major order, top row first: Y Cb Cr per pixel, or Y only for
// a one-component (greyscale) picture.
struct TestPicture {
    int32_t width = 0;
    int32_t height = 0;
    int components = 3;
    Bytes pixels;

    const uint8_t* At(int32_t row, int32_t column) const
    {
        return pixels.data() + (static_cast<size_t>(row) * width + column) * components;
    }
};

// Top-left, top-right, bottom-left, bottom-right in four distinct colours.
inline constexpr std::array<std::array<uint8_t, 3>, 4> kQuadrantColours = {
    {{200, 60, 90}, {90, 200, 60}, {60, 90, 200}, {140, 170, 30}}};
TestPicture QuadrantPicture(int32_t width, int32_t height);
// Smooth diagonal ramps in all three components.
TestPicture GradientPicture(int32_t width, int32_t height);
// Pseudo-random pixels: a picture that compresses badly.
TestPicture NoisePicture(int32_t width, int32_t height, uint32_t seed = 1);
// Every pixel has a value of its own (tests of exact pixel moves).
TestPicture NumberedPicture(int32_t width, int32_t height);
// Colour detail: stripes of saturated colours with sharp edges at odd
// columns and rows over smooth ramps, plus a little noise in every component.
TestPicture ColourPicture(int32_t width, int32_t height);

// A quantization table in natural (row-major) order. Entries above 255 make
// the frame carry 16-bit tables; entries of 0 are written as 0.
using QuantTable = std::array<uint16_t, 64>;
QuantTable ScaledStandardTable(bool chrominance, int quality);  // T.81 K.1/K.2, IJG scaling
QuantTable FlatTable(uint16_t value);

enum class FrameHeadKind {
    Avi1,  // APP0 "AVI1", as capture cards write it
    Jfif,  // APP0 "JFIF", as the library writes it
};

struct TestJpegOptions {
    int lumaHorizontal = 2;  // Y sampling factors; Cb and Cr are 1 x 1
    int lumaVertical = 1;
    int chromaVertical = 1;  // 2 under a Y 2 x 2 makes ffmpeg's 4:2:2 (chroma 1 x 2)
    std::array<QuantTable, 2> tables = {ScaledStandardTable(false, 85), ScaledStandardTable(true, 85)};
    std::array<int, 3> componentTables = {0, 1, 1};  // quantization table of Y, Cb, Cr
    bool withDht = false;                            // carry the Huffman tables, or rely on the standard ones
    bool progressive = false;                        // the library's simple progression (with its own DHTs)
    bool arithmetic = false;                         // arithmetic coding instead of Huffman tables
    FrameHeadKind head = FrameHeadKind::Avi1;
};

// Encodes the picture; fails the running test and returns nothing if the
// library refuses.
Bytes EncodeTestJpeg(const TestPicture& picture, const TestJpegOptions& options = {});

// Decodes a frame into Y Cb Cr (or Y) pixels. A frame without a DHT segment
// gets the standard one behind its 20-byte head first. Fails the running
// test and returns an empty picture if the library refuses.
TestPicture DecodeTestJpeg(const Bytes& frame);

// One component of a decoded frame at its own resolution.
struct TestPlane {
    int32_t width = 0;
    int32_t height = 0;
    int horizontalFactor = 1;  // sampling factors as the frame gives them
    int verticalFactor = 1;
    Bytes samples;  // width x height, top row first

    uint8_t At(int32_t row, int32_t column) const { return samples[static_cast<size_t>(row) * width + column]; }
};
using TestPlanes = std::array<TestPlane, 3>;

// Decodes a frame into its Y, Cb and Cr planes as they are coded (the
// library's raw data: no chroma interpolation). A frame without a DHT
// segment gets the standard one first. Fails the running test and returns
// empty planes if the library refuses.
TestPlanes DecodeTestPlanes(const Bytes& frame);

// The frame with the standard DHT segment inserted behind its 20-byte head.
Bytes WithStandardDht(const Bytes& frame);

// One component's quantized DCT coefficients as the frame codes them:
// `width` x `height` blocks (the picture's, without MCU padding) in row
// order, each in natural order, and the component's quantization table.
struct TestBlocks {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<std::array<int16_t, 64>> blocks;
    std::array<uint16_t, 64> table{};

    const std::array<int16_t, 64>& At(int32_t row, int32_t column) const
    {
        return blocks[static_cast<size_t>(row) * width + column];
    }
};
using TestCoefficients = std::array<TestBlocks, 3>;

// Reads a frame's coefficients (a frame without a DHT segment gets the
// standard one first). Fails the running test and returns empty components
// if the library refuses.
TestCoefficients ReadTestCoefficients(const Bytes& frame);

// A marker segment in front of the entropy-coded data.
struct JpegSegment {
    uint8_t marker = 0;
    size_t offset = 0;  // of the FF byte
    size_t size = 0;    // marker and length field included
};
// The segments from the one after SOI up to and including SOS.
std::vector<JpegSegment> HeaderSegments(const Bytes& frame);
// Offset of the first segment with this marker, or `frame.size()` if none.
size_t FindSegment(const Bytes& frame, uint8_t marker);

// Peak signal-to-noise ratio of one component of two same-sized pictures,
// in dB (100 for identical pictures).
double Psnr(const TestPicture& a, const TestPicture& b, int component);

// PSNR of two same-sized planes, in dB (100 for identical planes).
double Psnr(const TestPlane& a, const TestPlane& b);

std::string Hex(const uint8_t* bytes, size_t count);

}  // namespace kestrel::test
