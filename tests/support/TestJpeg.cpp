#include "support/TestJpeg.h"

#include "mjpeg/JpegBytes.h"
#include "mjpeg/LibJpeg.h"
#include "mjpeg/StandardDht.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstdlib>
#include <cstring>

namespace kestrel::test {

namespace {

using mjpeg::kMarkerPrefix;
using mjpeg::ReadBe16;

constexpr size_t kHeadSize = 20;
constexpr size_t kTableEntries = 64;

// T.81 Tables K.1 and K.2, natural order.
constexpr QuantTable kLuminanceBase = {16, 11, 10, 16, 24,  40,  51,  61,  12, 12, 14, 19, 26,  58,  60,  55,
                                       14, 13, 16, 24, 40,  57,  69,  56,  14, 17, 22, 29, 51,  87,  80,  62,
                                       18, 22, 37, 56, 68,  109, 103, 77,  24, 35, 55, 64, 81,  104, 113, 92,
                                       49, 64, 78, 87, 103, 121, 120, 101, 72, 92, 95, 98, 112, 100, 103, 99};
constexpr QuantTable kChrominanceBase = {17, 18, 24, 47, 99, 99, 99, 99, 18, 21, 26, 66, 99, 99, 99, 99,
                                         24, 26, 56, 99, 99, 99, 99, 99, 47, 66, 99, 99, 99, 99, 99, 99,
                                         99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99,
                                         99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99};

// APP0 "AVI1": identifier, field polarity 0 (not interlaced), padding.
constexpr JOCTET kAvi1Data[14] = {'A', 'V', 'I', '1', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};

struct TestErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

[[noreturn]] void TestErrorExit(j_common_ptr cinfo)
{
    auto* manager = reinterpret_cast<TestErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, manager->message);
    std::longjmp(manager->jump, 1);
}

void InstallErrorManager(TestErrorManager& manager)
{
    jpeg_std_error(&manager.pub);
    manager.pub.error_exit = TestErrorExit;
    manager.message[0] = '\0';
}

// The library calls live below a setjmp; only trivial objects here.
struct EncodeOutput {
    unsigned char* bytes = nullptr;
    unsigned long size = 0;
};

bool EncodeRaw(const TestPicture& picture, const TestJpegOptions& options, EncodeOutput& output, char* message)
{
    jpeg_compress_struct cinfo{};
    TestErrorManager errorManager;
    InstallErrorManager(errorManager);
    cinfo.err = &errorManager.pub;
    if (setjmp(errorManager.jump) != 0) {
        std::strcpy(message, errorManager.message);
        jpeg_destroy_compress(&cinfo);
        return false;
    }
    jpeg_create_compress(&cinfo);
    jpeg_mem_dest(&cinfo, &output.bytes, &output.size);
    cinfo.image_width = static_cast<JDIMENSION>(picture.width);
    cinfo.image_height = static_cast<JDIMENSION>(picture.height);
    cinfo.input_components = picture.components;
    cinfo.in_color_space = picture.components == 3 ? JCS_YCbCr : JCS_GRAYSCALE;
    jpeg_set_defaults(&cinfo);
    cinfo.write_JFIF_header = options.head == FrameHeadKind::Jfif ? TRUE : FALSE;
    for (int t = 0; t < 2; ++t) {
        unsigned int basic[kTableEntries];
        for (size_t i = 0; i < kTableEntries; ++i) {
            basic[i] = std::max<unsigned int>(1, options.tables[t][i]);  // zeros are patched in later
        }
        jpeg_add_quant_table(&cinfo, t, basic, 100, FALSE);
    }
    for (int ci = 0; ci < cinfo.num_components; ++ci) {
        cinfo.comp_info[ci].h_samp_factor = ci == 0 ? options.lumaHorizontal : 1;
        cinfo.comp_info[ci].v_samp_factor = ci == 0 ? options.lumaVertical : options.chromaVertical;
        cinfo.comp_info[ci].quant_tbl_no = options.componentTables[ci];
    }
    if (options.progressive) {
        jpeg_simple_progression(&cinfo);
    }
    cinfo.arith_code = options.arithmetic ? TRUE : FALSE;
    jpeg_start_compress(&cinfo, TRUE);
    if (!options.withDht) {
        for (int i = 0; i < NUM_HUFF_TBLS; ++i) {
            if (cinfo.dc_huff_tbl_ptrs[i] != nullptr) {
                cinfo.dc_huff_tbl_ptrs[i]->sent_table = TRUE;
            }
            if (cinfo.ac_huff_tbl_ptrs[i] != nullptr) {
                cinfo.ac_huff_tbl_ptrs[i]->sent_table = TRUE;
            }
        }
    }
    if (options.head == FrameHeadKind::Avi1) {
        jpeg_write_marker(&cinfo, JPEG_APP0, kAvi1Data, sizeof(kAvi1Data));
    }
    const size_t stride = static_cast<size_t>(picture.width) * picture.components;
    while (cinfo.next_scanline < cinfo.image_height) {
        auto* row = const_cast<JSAMPLE*>(picture.pixels.data() + cinfo.next_scanline * stride);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return true;
}

struct DecodeOutput {
    unsigned char* pixels = nullptr;
    int32_t width = 0;
    int32_t height = 0;
    int components = 0;
};

bool DecodeRaw(const Bytes& frame, DecodeOutput& output, char* message)
{
    jpeg_decompress_struct cinfo{};
    TestErrorManager errorManager;
    InstallErrorManager(errorManager);
    cinfo.err = &errorManager.pub;
    if (setjmp(errorManager.jump) != 0) {
        std::strcpy(message, errorManager.message);
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, frame.data(), static_cast<unsigned long>(frame.size()));
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = cinfo.num_components == 3 ? JCS_YCbCr : JCS_GRAYSCALE;
    jpeg_start_decompress(&cinfo);
    output.width = static_cast<int32_t>(cinfo.output_width);
    output.height = static_cast<int32_t>(cinfo.output_height);
    output.components = cinfo.output_components;
    const size_t stride = static_cast<size_t>(cinfo.output_width) * cinfo.output_components;
    output.pixels = static_cast<unsigned char*>(std::malloc(stride * cinfo.output_height));
    if (output.pixels == nullptr) {
        ERREXIT1(&cinfo, JERR_OUT_OF_MEMORY, 0);
    }
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = output.pixels + cinfo.output_scanline * stride;
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return true;
}

struct PlanesOutput {
    unsigned char* samples[3] = {};
    TestPlane shape[3];
};

bool DecodePlanesRaw(const Bytes& frame, PlanesOutput& output, char* message)
{
    jpeg_decompress_struct cinfo{};
    TestErrorManager errorManager;
    InstallErrorManager(errorManager);
    cinfo.err = &errorManager.pub;
    if (setjmp(errorManager.jump) != 0) {
        std::strcpy(message, errorManager.message);
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, frame.data(), static_cast<unsigned long>(frame.size()));
    jpeg_read_header(&cinfo, TRUE);
    if (cinfo.num_components != 3) {
        ERREXIT1(&cinfo, JERR_COMPONENT_COUNT, cinfo.num_components);
    }
    cinfo.raw_data_out = TRUE;
    jpeg_start_decompress(&cinfo);
    JSAMPARRAY strips[3];
    for (int ci = 0; ci < 3; ++ci) {
        const jpeg_component_info& component = cinfo.comp_info[ci];
        output.shape[ci] = {static_cast<int32_t>(component.downsampled_width),
                            static_cast<int32_t>(component.downsampled_height),
                            component.h_samp_factor,
                            component.v_samp_factor,
                            {}};
        output.samples[ci] = static_cast<unsigned char*>(
            std::malloc(static_cast<size_t>(component.downsampled_width) * component.downsampled_height));
        if (output.samples[ci] == nullptr) {
            ERREXIT1(&cinfo, JERR_OUT_OF_MEMORY, 0);
        }
        strips[ci] = (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE,
                                                component.width_in_blocks * DCTSIZE + 64,
                                                static_cast<JDIMENSION>(component.v_samp_factor * DCTSIZE));
    }
    const auto lines = static_cast<JDIMENSION>(cinfo.max_v_samp_factor * DCTSIZE);
    for (JDIMENSION mcuRow = 0; cinfo.output_scanline < cinfo.output_height; ++mcuRow) {
        jpeg_read_raw_data(&cinfo, strips, lines);
        for (int ci = 0; ci < 3; ++ci) {
            const jpeg_component_info& component = cinfo.comp_info[ci];
            const auto rows = static_cast<JDIMENSION>(component.v_samp_factor * DCTSIZE);
            for (JDIMENSION k = 0; k < rows && mcuRow * rows + k < component.downsampled_height; ++k) {
                std::memcpy(output.samples[ci] + (mcuRow * rows + k) * component.downsampled_width, strips[ci][k],
                            component.downsampled_width);
            }
        }
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return true;
}

// Copies each component's blocks into `blocks` (malloc'ed, as the library
// calls live below a setjmp) and its table into `output`'s shape.
struct CoefficientsOutput {
    JCOEF* blocks[3] = {};
    TestBlocks shape[3];
};

bool ReadCoefficientsRaw(const Bytes& frame, CoefficientsOutput& output, char* message)
{
    jpeg_decompress_struct cinfo{};
    TestErrorManager errorManager;
    InstallErrorManager(errorManager);
    cinfo.err = &errorManager.pub;
    if (setjmp(errorManager.jump) != 0) {
        std::strcpy(message, errorManager.message);
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, frame.data(), static_cast<unsigned long>(frame.size()));
    jpeg_read_header(&cinfo, TRUE);
    if (cinfo.num_components != 3) {
        ERREXIT1(&cinfo, JERR_COMPONENT_COUNT, cinfo.num_components);
    }
    jvirt_barray_ptr* arrays = jpeg_read_coefficients(&cinfo);
    for (int ci = 0; ci < 3; ++ci) {
        const jpeg_component_info& component = cinfo.comp_info[ci];
        TestBlocks& shape = output.shape[ci];
        shape.width = static_cast<int32_t>(component.width_in_blocks);
        shape.height = static_cast<int32_t>(component.height_in_blocks);
        std::copy(std::begin(component.quant_table->quantval), std::end(component.quant_table->quantval),
                  shape.table.begin());
        output.blocks[ci] = static_cast<JCOEF*>(
            std::malloc(static_cast<size_t>(shape.width) * shape.height * DCTSIZE2 * sizeof(JCOEF)));
        if (output.blocks[ci] == nullptr) {
            ERREXIT1(&cinfo, JERR_OUT_OF_MEMORY, 0);
        }
        for (JDIMENSION r = 0; r < component.height_in_blocks; ++r) {
            const JBLOCKROW row =
                (*cinfo.mem->access_virt_barray)(reinterpret_cast<j_common_ptr>(&cinfo), arrays[ci], r, 1, FALSE)[0];
            std::memcpy(output.blocks[ci] + static_cast<size_t>(r) * component.width_in_blocks * DCTSIZE2, row,
                        component.width_in_blocks * sizeof(JBLOCK));
        }
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return true;
}

// Writes the zero entries of the options' tables into the frame's DQT
// segments, which the library will only write as 1.
void PatchZeroEntries(Bytes& frame, const TestJpegOptions& options)
{
    for (const JpegSegment& segment : HeaderSegments(frame)) {
        if (segment.marker != mjpeg::kDqt) {
            continue;
        }
        size_t at = segment.offset + 4;
        while (at < segment.offset + segment.size) {
            const int precision = frame[at] >> 4;
            const int number = frame[at] & 0x0F;
            const size_t entrySize = precision == 0 ? 1 : 2;
            ++at;
            for (size_t k = 0; k < kTableEntries; ++k) {
                if (number < 2 && options.tables[number][mjpeg::kZigZagToNatural[k]] == 0) {
                    std::fill_n(frame.begin() + static_cast<ptrdiff_t>(at + k * entrySize), entrySize, 0);
                }
            }
            at += kTableEntries * entrySize;
        }
    }
}

}  // namespace

TestPicture QuadrantPicture(int32_t width, int32_t height)
{
    TestPicture picture{width, height, 3, Bytes(static_cast<size_t>(width) * height * 3)};
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            const size_t quadrant = (y < height / 2 ? 0 : 2) + (x < width / 2 ? 0 : 1);
            std::copy_n(kQuadrantColours[quadrant].begin(), 3, picture.pixels.begin() + (y * width + x) * 3);
        }
    }
    return picture;
}

TestPicture GradientPicture(int32_t width, int32_t height)
{
    TestPicture picture{width, height, 3, Bytes(static_cast<size_t>(width) * height * 3)};
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            uint8_t* pixel = picture.pixels.data() + (static_cast<size_t>(y) * width + x) * 3;
            pixel[0] = static_cast<uint8_t>(30 + 190 * (x + y) / (width + height));
            pixel[1] = static_cast<uint8_t>(70 + 110 * x / width);
            pixel[2] = static_cast<uint8_t>(180 - 110 * y / height);
        }
    }
    return picture;
}

TestPicture NoisePicture(int32_t width, int32_t height, uint32_t seed)
{
    TestPicture picture{width, height, 3, Bytes(static_cast<size_t>(width) * height * 3)};
    uint32_t state = seed;
    for (uint8_t& value : picture.pixels) {
        state = state * 1664525u + 1013904223u;
        value = static_cast<uint8_t>(state >> 24);
    }
    return picture;
}

TestPicture NumberedPicture(int32_t width, int32_t height)
{
    TestPicture picture{width, height, 3, Bytes(static_cast<size_t>(width) * height * 3)};
    for (size_t i = 0; i < static_cast<size_t>(width) * height; ++i) {
        picture.pixels[i * 3] = static_cast<uint8_t>(i);
        picture.pixels[i * 3 + 1] = static_cast<uint8_t>(i >> 8);
        picture.pixels[i * 3 + 2] = static_cast<uint8_t>(i >> 16);
    }
    return picture;
}

TestPicture ColourPicture(int32_t width, int32_t height)
{
    static constexpr std::array<std::array<uint8_t, 3>, 6> kStripes = {
        {{81, 90, 240}, {145, 54, 34}, {41, 240, 110}, {210, 16, 146}, {170, 166, 16}, {106, 202, 222}}};
    TestPicture picture{width, height, 3, Bytes(static_cast<size_t>(width) * height * 3)};
    uint32_t state = 7;
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            uint8_t* pixel = picture.pixels.data() + (static_cast<size_t>(y) * width + x) * 3;
            for (int c = 0; c < 3; ++c) {
                state = state * 1664525u + 1013904223u;
                const int noise = static_cast<int>(state >> 29) - 4;
                int value = c == 0 ? 40 + 170 * (x + y) / (width + height)
                                   : (c == 1 ? 90 + 80 * x / width : 170 - 80 * y / height);
                // Vertical stripes 7 columns wide in the upper half, horizontal
                // ones 5 rows high in the lower half.
                if (y < height / 2 && (x / 7) % 3 != 0) {
                    value = kStripes[(x / 7) % kStripes.size()][c];
                } else if (y >= height / 2 && (y / 5) % 2 == 1) {
                    value = kStripes[(y / 5 + 3) % kStripes.size()][c];
                }
                pixel[c] = static_cast<uint8_t>(std::clamp(value + noise, 0, 255));
            }
        }
    }
    return picture;
}

QuantTable ScaledStandardTable(bool chrominance, int quality)
{
    const QuantTable& base = chrominance ? kChrominanceBase : kLuminanceBase;
    const int scale = quality < 50 ? 5000 / quality : 200 - quality * 2;
    QuantTable table{};
    for (size_t i = 0; i < kTableEntries; ++i) {
        table[i] = static_cast<uint16_t>(std::clamp((base[i] * scale + 50) / 100, 1, 255));
    }
    return table;
}

QuantTable FlatTable(uint16_t value)
{
    QuantTable table{};
    table.fill(value);
    return table;
}

Bytes EncodeTestJpeg(const TestPicture& picture, const TestJpegOptions& options)
{
    EncodeOutput output;
    char message[JMSG_LENGTH_MAX] = {};
    if (!EncodeRaw(picture, options, output, message)) {
        ADD_FAILURE() << "test JPEG not encoded: " << message;
        return {};
    }
    Bytes frame(output.bytes, output.bytes + output.size);
    std::free(output.bytes);
    PatchZeroEntries(frame, options);
    return frame;
}

TestPicture DecodeTestJpeg(const Bytes& frame)
{
    const bool hasDht = FindSegment(frame, mjpeg::kDht) < frame.size();
    const Bytes stream = hasDht ? frame : WithStandardDht(frame);
    DecodeOutput output;
    char message[JMSG_LENGTH_MAX] = {};
    if (!DecodeRaw(stream, output, message)) {
        std::free(output.pixels);
        ADD_FAILURE() << "JPEG not decoded: " << message;
        return {};
    }
    TestPicture picture{output.width, output.height, output.components, {}};
    picture.pixels.assign(output.pixels,
                          output.pixels + static_cast<size_t>(output.width) * output.height * output.components);
    std::free(output.pixels);
    return picture;
}

TestPlanes DecodeTestPlanes(const Bytes& frame)
{
    const bool hasDht = FindSegment(frame, mjpeg::kDht) < frame.size();
    const Bytes stream = hasDht ? frame : WithStandardDht(frame);
    PlanesOutput output;
    char message[JMSG_LENGTH_MAX] = {};
    const bool decoded = DecodePlanesRaw(stream, output, message);
    TestPlanes planes;
    for (int ci = 0; ci < 3; ++ci) {
        if (decoded) {
            planes[ci] = output.shape[ci];
            planes[ci].samples.assign(output.samples[ci],
                                      output.samples[ci] + static_cast<size_t>(planes[ci].width) * planes[ci].height);
        }
        std::free(output.samples[ci]);
    }
    if (!decoded) {
        ADD_FAILURE() << "JPEG planes not decoded: " << message;
    }
    return planes;
}

TestCoefficients ReadTestCoefficients(const Bytes& frame)
{
    const bool hasDht = FindSegment(frame, mjpeg::kDht) < frame.size();
    const Bytes stream = hasDht ? frame : WithStandardDht(frame);
    CoefficientsOutput output;
    char message[JMSG_LENGTH_MAX] = {};
    const bool read = ReadCoefficientsRaw(stream, output, message);
    TestCoefficients coefficients;
    for (int ci = 0; ci < 3; ++ci) {
        if (read) {
            TestBlocks& blocks = coefficients[ci];
            blocks = output.shape[ci];
            blocks.blocks.resize(static_cast<size_t>(blocks.width) * blocks.height);
            std::memcpy(blocks.blocks.data(), output.blocks[ci], blocks.blocks.size() * sizeof(blocks.blocks[0]));
        }
        std::free(output.blocks[ci]);
    }
    if (!read) {
        ADD_FAILURE() << "JPEG coefficients not read: " << message;
    }
    return coefficients;
}

Bytes WithStandardDht(const Bytes& frame)
{
    if (frame.size() < kHeadSize) {
        ADD_FAILURE() << "frame shorter than its head";
        return frame;
    }
    Bytes stream(frame.begin(), frame.begin() + kHeadSize);
    stream.insert(stream.end(), mjpeg::StandardDhtSegment.begin(), mjpeg::StandardDhtSegment.end());
    stream.insert(stream.end(), frame.begin() + kHeadSize, frame.end());
    return stream;
}

std::vector<JpegSegment> HeaderSegments(const Bytes& frame)
{
    std::vector<JpegSegment> segments;
    size_t at = mjpeg::kMarkerSize;  // behind SOI
    while (at + 4 <= frame.size()) {
        if (frame[at] != kMarkerPrefix) {
            ADD_FAILURE() << "no marker at offset " << at;
            break;
        }
        const JpegSegment segment{frame[at + 1], at, mjpeg::kMarkerSize + ReadBe16(frame.data() + at + 2)};
        if (segment.offset + segment.size > frame.size()) {
            ADD_FAILURE() << "segment at offset " << at << " runs past the frame";
            break;
        }
        segments.push_back(segment);
        if (segment.marker == mjpeg::kSos) {
            break;
        }
        at += segment.size;
    }
    return segments;
}

size_t FindSegment(const Bytes& frame, uint8_t marker)
{
    for (const JpegSegment& segment : HeaderSegments(frame)) {
        if (segment.marker == marker) {
            return segment.offset;
        }
    }
    return frame.size();
}

double Psnr(const TestPicture& a, const TestPicture& b, int component)
{
    if (a.width != b.width || a.height != b.height || a.components != b.components || a.pixels.empty()) {
        ADD_FAILURE() << "pictures of different shapes: " << a.width << "x" << a.height << " and " << b.width << "x"
                      << b.height;
        return 0;
    }
    double sum = 0;
    const size_t pixels = static_cast<size_t>(a.width) * a.height;
    for (size_t i = 0; i < pixels; ++i) {
        const double d =
            double(a.pixels[i * a.components + component]) - double(b.pixels[i * b.components + component]);
        sum += d * d;
    }
    if (sum == 0) {
        return 100;
    }
    return 10 * std::log10(255.0 * 255.0 / (sum / double(pixels)));
}

double Psnr(const TestPlane& a, const TestPlane& b)
{
    if (a.width != b.width || a.height != b.height || a.samples.empty() || a.samples.size() != b.samples.size()) {
        ADD_FAILURE() << "planes of different shapes: " << a.width << "x" << a.height << " and " << b.width << "x"
                      << b.height;
        return 0;
    }
    double sum = 0;
    for (size_t i = 0; i < a.samples.size(); ++i) {
        const double d = double(a.samples[i]) - double(b.samples[i]);
        sum += d * d;
    }
    if (sum == 0) {
        return 100;
    }
    return 10 * std::log10(255.0 * 255.0 / (sum / double(a.samples.size())));
}

std::string Hex(const uint8_t* bytes, size_t count)
{
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    for (size_t i = 0; i < count; ++i) {
        if (i != 0) {
            text += ' ';
        }
        text += kDigits[bytes[i] >> 4];
        text += kDigits[bytes[i] & 0x0F];
    }
    return text;
}

}  // namespace kestrel::test
