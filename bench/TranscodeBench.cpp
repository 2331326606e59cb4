// TranscodeFrame for 640 x 480, 1280 x 720 and 1920 x 1080 frames in each
// mode, beside the floor of the same frame decoded and encoded again with
// the same settings and no transform. The difference is the transcoder's
// own work: head, DHT, plane transform, chroma fit.

#include "mjpeg/FramePath.h"
#include "mjpeg/FrameTranscoder.h"
#include "mjpeg/JpegCodec.h"
#include "mjpeg/LibJpeg.h"
#include "mjpeg/PlaneFit.h"
#include "mjpeg/PlaneTransform.h"
#include "mjpeg/StandardDht.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

using kestrel::RotationMode;
using namespace kestrel::mjpeg;

// IJG quality 75 scaling of the T.81 K.1 table for luma, a coarse flat one
// for chroma.
SourceQuantTables Quality75Tables()
{
    static constexpr uint32_t kLuminance[64] = {16, 11, 10, 16, 24,  40,  51,  61,  12, 12, 14, 19, 26,  58,  60,  55,
                                                14, 13, 16, 24, 40,  57,  69,  56,  14, 17, 22, 29, 51,  87,  80,  62,
                                                18, 22, 37, 56, 68,  109, 103, 77,  24, 35, 55, 64, 81,  104, 113, 92,
                                                49, 64, 78, 87, 103, 121, 120, 101, 72, 92, 95, 98, 112, 100, 103, 99};
    SourceQuantTables tables;
    for (size_t i = 0; i < 64; ++i) {
        tables.tables[0][i] = std::max<uint32_t>(1, (kLuminance[i] * 50 + 50) / 100);
        tables.tables[1][i] = i < 2 ? 9 : 50;
    }
    return tables;
}

// 4:2:2 planes of a picture with smooth ramps and some fine texture in
// luma, like camera footage, laid out as the encoder reads them.
struct Planes {
    std::array<std::vector<uint8_t>, 3> samples;
    std::array<EncoderPlane, 3> planes;
};

Planes Picture(int32_t width, int32_t height)
{
    Planes picture;
    uint32_t state = 12345;
    for (int ci = 0; ci < 3; ++ci) {
        const int32_t planeWidth = OutputComponentWidth(width, ci);
        const size_t stride = RoundUp(static_cast<size_t>(planeWidth), 16);
        std::vector<uint8_t>& samples = picture.samples[ci];
        samples.resize(stride * static_cast<size_t>(height));
        for (int32_t y = 0; y < height; ++y) {
            uint8_t* row = samples.data() + static_cast<size_t>(y) * stride;
            for (int32_t x = 0; x < planeWidth; ++x) {
                state = state * 1664525u + 1013904223u;
                const int texture = static_cast<int>(state >> 28) - 8;
                row[x] =
                    static_cast<uint8_t>(ci == 0 ? std::clamp(40 + 170 * (x + y) / (width + height) + texture, 0, 255)
                                                 : (ci == 1 ? 90 + 80 * x / planeWidth : 170 - 80 * y / height));
            }
            std::fill(row + planeWidth, row + stride, row[planeWidth - 1]);
        }
        picture.planes[ci] = {samples.data(), stride, planeWidth, height, 1, 1};
    }
    return picture;
}

}  // namespace

// A Motion-JPEG frame (4:2:2, no DHT) of the benchmark picture. Outside the
// anonymous namespace: the pixel-path comparison (bench/compare-pixel-path)
// times the earlier transcoder on the same frames.
std::vector<uint8_t> BenchFrame(int32_t width, int32_t height)
{
    const Planes picture = Picture(width, height);
    std::vector<uint8_t> out(static_cast<size_t>(width) * static_cast<size_t>(height) * 2);
    const EncodeResult result = EncodePlanes(picture.planes, out, {width, height}, Quality75Tables());
    out.resize(result.status == CodecStatus::Ok ? result.length : 0);
    return out;
}

namespace {

void BM_TranscodeFrame(benchmark::State& state)
{
    const auto width = static_cast<int32_t>(state.range(0));
    const auto height = static_cast<int32_t>(state.range(1));
    const auto mode = static_cast<RotationMode>(state.range(2));
    const std::vector<uint8_t> payload = BenchFrame(width, height);
    const size_t imageBytes = static_cast<size_t>(width) * height * 3;
    std::vector<uint8_t> frameIn(std::max(imageBytes, kPayloadOffset + payload.size()));
    std::memcpy(frameIn.data() + kPayloadOffset, payload.data(), payload.size());
    std::vector<uint8_t> frameOut(imageBytes);
    TranscoderBuffers buffers;
    for (auto _ : state) {
        // The caller reads every frame afresh; the transcoder overwrites the head's place.
        std::memcpy(frameIn.data() + kPayloadOffset, payload.data(), kFrameHeadSize);
        const TranscodeResult result =
            TranscodeFrame(frameIn, frameOut, static_cast<uint32_t>(payload.size()), width, height, mode, buffers);
        if (result.error != TranscodeError::None) {
            state.SkipWithError("frame not transcoded");
            break;
        }
        benchmark::DoNotOptimize(result.length);
    }
    state.SetLabel("frame " + std::to_string(payload.size()) + " bytes");
}

// The floor: DecodePlanes of the same frame and EncodePlanes of the planes
// the transcoder encodes (transformed and fitted beforehand, outside the
// timing), with the same settings. TranscodeFrame minus this is the
// transcoder's own work: head, DHT, plane transform, chroma fit. Encoding a
// turned picture costs a little more than the upright one, which is why
// each mode has its own floor.
void BM_DecodeEncodeFloor(benchmark::State& state)
{
    const auto width = static_cast<int32_t>(state.range(0));
    const auto height = static_cast<int32_t>(state.range(1));
    const auto mode = static_cast<RotationMode>(state.range(2));
    const std::vector<uint8_t> payload = BenchFrame(width, height);
    std::vector<uint8_t> stream(payload.begin(), payload.begin() + kFrameHeadSize);
    stream.insert(stream.end(), StandardDhtSegment.begin(), StandardDhtSegment.end());
    stream.insert(stream.end(), payload.begin() + kFrameHeadSize, payload.end());
    const CodecBuffer compressed(stream.data(), static_cast<uint32_t>(stream.size()));
    const PictureSize size{width, height};
    const PictureSize turnedSize = TransformedSize(size, mode);
    SourceQuantTables tables;

    PlanarImage turned;
    std::array<std::vector<uint8_t>, 3> fitted;
    std::array<EncoderPlane, 3> planes;
    if (DecodePlanes(compressed, size, tables, turned, mode) != CodecStatus::Ok) {
        state.SkipWithError("frame not decoded");
        return;
    }
    for (int ci = 0; ci < 3; ++ci) {
        FitPlane(turned.planes[ci], turned, ci, turnedSize.width, fitted[ci], planes[ci]);
    }
    PlanarImage upright;
    std::vector<uint8_t> out(static_cast<size_t>(width) * height * 3);
    for (auto _ : state) {
        const CodecStatus decoded = DecodePlanes(compressed, size, tables, upright);
        const EncodeResult encoded = EncodePlanes(planes, out, turnedSize, tables);
        if (decoded != CodecStatus::Ok || encoded.status != CodecStatus::Ok) {
            state.SkipWithError("frame not decoded or encoded");
            break;
        }
        benchmark::DoNotOptimize(encoded.length);
    }
}

void Sizes(benchmark::internal::Benchmark* bench)
{
    for (const auto& size : {std::pair{640, 480}, std::pair{1280, 720}, std::pair{1920, 1080}}) {
        for (int mode = 0; mode <= 4; ++mode) {
            bench->Args({size.first, size.second, mode});
        }
    }
    bench->Unit(benchmark::kMillisecond);
}

}  // namespace

namespace {

// A frame as ffmpeg writes 4:2:2: Y 2 x 2 with Cb and Cr 1 x 2, every
// component on table 0 (the luma table above), optimized Huffman tables
// in its own DHT. The library's default error handler ends the benchmark
// on a failure.
std::vector<uint8_t> FfmpegLikeFrame(int32_t width, int32_t height)
{
    const Planes picture = Picture(width, height);
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    unsigned char* bytes = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &bytes, &size);
    cinfo.image_width = static_cast<JDIMENSION>(width);
    cinfo.image_height = static_cast<JDIMENSION>(height);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_YCbCr;
    jpeg_set_defaults(&cinfo);
    cinfo.raw_data_in = TRUE;
    cinfo.optimize_coding = TRUE;
    const SourceQuantTables tables = Quality75Tables();
    jpeg_add_quant_table(&cinfo, 0, tables.tables[0].data(), 100, TRUE);
    for (int ci = 0; ci < 3; ++ci) {
        cinfo.comp_info[ci].h_samp_factor = ci == 0 ? 2 : 1;
        cinfo.comp_info[ci].v_samp_factor = 2;
        cinfo.comp_info[ci].quant_tbl_no = 0;
    }
    jpeg_start_compress(&cinfo, TRUE);
    constexpr int kLines = 16;  // one row of MCUs
    std::array<std::array<JSAMPROW, kLines>, 3> rows;
    JSAMPARRAY data[3] = {rows[0].data(), rows[1].data(), rows[2].data()};
    while (cinfo.next_scanline < cinfo.image_height) {
        for (int ci = 0; ci < 3; ++ci) {
            const EncoderPlane& plane = picture.planes[ci];
            for (int k = 0; k < kLines; ++k) {
                const size_t row = std::min<size_t>(cinfo.next_scanline + k, static_cast<size_t>(plane.rows) - 1);
                rows[ci][k] = const_cast<JSAMPROW>(plane.samples + row * plane.stride);
            }
        }
        jpeg_write_raw_data(&cinfo, data, kLines);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    std::vector<uint8_t> frame(bytes, bytes + size);
    std::free(bytes);
    return frame;
}

// The coefficient path (path 0) against the plane path (path 1) on the same
// frame: GStreamer-like (layout 0: Y 2 x 1, chroma 1 x 1, tables 0/1/1,
// standard Huffman tables) or ffmpeg-like (layout 1).
void BM_Path(benchmark::State& state)
{
    const auto width = static_cast<int32_t>(state.range(0));
    const auto height = static_cast<int32_t>(state.range(1));
    const auto mode = static_cast<RotationMode>(state.range(2));
    const bool ffmpegLike = state.range(3) == 1;
    const FramePath path = state.range(4) == 0 ? FramePath::Coefficients : FramePath::Planes;
    const std::vector<uint8_t> payload = ffmpegLike ? FfmpegLikeFrame(width, height) : BenchFrame(width, height);
    const size_t imageBytes = static_cast<size_t>(width) * height * 3;
    std::vector<uint8_t> frameIn(std::max(imageBytes, kPayloadOffset + payload.size()));
    std::memcpy(frameIn.data() + kPayloadOffset, payload.data(), payload.size());
    std::vector<uint8_t> frameOut(imageBytes);
    TranscoderBuffers buffers;
    for (auto _ : state) {
        std::memcpy(frameIn.data() + kPayloadOffset, payload.data(), kFrameHeadSize);
        const TranscodeResult result = TranscodeFrameOn(path, frameIn, frameOut, static_cast<uint32_t>(payload.size()),
                                                        width, height, mode, buffers);
        if (result.error != TranscodeError::None) {
            state.SkipWithError("frame not transcoded");
            break;
        }
        benchmark::DoNotOptimize(result.length);
    }
    state.SetLabel(std::string(ffmpegLike ? "ffmpeg-like" : "GStreamer-like") +
                   (path == FramePath::Coefficients ? ", coefficients" : ", planes"));
}

void PathCases(benchmark::internal::Benchmark* bench)
{
    for (const auto& size : {std::pair{1280, 720}, std::pair{1920, 1080}})
        for (int mode = 0; mode <= 4; ++mode)
            for (int layout = 0; layout <= 1; ++layout)
                for (int path = 0; path <= 1; ++path)
                    bench->Args({size.first, size.second, mode, layout, path});
    bench->Unit(benchmark::kMillisecond);
}

}  // namespace

BENCHMARK(BM_DecodeEncodeFloor)->Apply(Sizes);
BENCHMARK(BM_TranscodeFrame)->Apply(Sizes);
BENCHMARK(BM_Path)->Apply(PathCases);
