// TranscodeFrame for 640 x 480 and 1280 x 720 frames in each mode, beside the
// floor of the same frame decoded and encoded again with the same settings
// and no transform. The difference is the transcoder's own work: head, DHT,
// pixel transform.

#include "mjpeg/FrameTranscoder.h"
#include "mjpeg/JpegCodec.h"
#include "mjpeg/PixelTransform.h"
#include "mjpeg/StandardDht.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

using kestrel::RotationMode;
using namespace kestrel::mjpeg;

// A picture with smooth ramps and some fine texture, like camera footage.
std::vector<uint8_t> Picture(int32_t width, int32_t height)
{
    std::vector<uint8_t> pixels(static_cast<size_t>(width) * height * 3);
    uint32_t state = 12345;
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            state = state * 1664525u + 1013904223u;
            const int texture = static_cast<int>(state >> 28) - 8;
            uint8_t* pixel = pixels.data() + (static_cast<size_t>(y) * width + x) * 3;
            pixel[0] = static_cast<uint8_t>(std::clamp(40 + 170 * (x + y) / (width + height) + texture, 0, 255));
            pixel[1] = static_cast<uint8_t>(90 + 80 * x / width);
            pixel[2] = static_cast<uint8_t>(170 - 80 * y / height);
        }
    }
    return pixels;
}

// IJG quality 75 scaling of the T.81 K.1 and K.2 tables.
SourceQuantTables Quality75Tables()
{
    static constexpr uint32_t kLuminance[64] = {
        16, 11, 10, 16, 24,  40,  51,  61,  12, 12, 14, 19, 26,  58,  60,  55,
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

struct Frame {
    std::vector<uint8_t> payload;  // a Motion-JPEG frame without DHT
    int32_t width;
    int32_t height;
};

Frame MakeFrame(int32_t width, int32_t height)
{
    std::vector<uint8_t> pixels = Picture(width, height);
    std::vector<uint8_t> out(pixels.size());
    const EncodeResult result = Encode(CodecBuffer(pixels.data(), static_cast<uint32_t>(pixels.size())), out,
                                       {width, height}, Quality75Tables());
    out.resize(result.status == CodecStatus::Ok ? result.length : 0);
    return {out, width, height};
}

void BM_TranscodeFrame(benchmark::State& state)
{
    const Frame frame = MakeFrame(static_cast<int32_t>(state.range(0)), static_cast<int32_t>(state.range(1)));
    const auto mode = static_cast<RotationMode>(state.range(2));
    const size_t imageBytes = static_cast<size_t>(frame.width) * frame.height * 3;
    std::vector<uint8_t> frameIn(std::max(imageBytes, kPayloadOffset + frame.payload.size()));
    uint8_t* payloadStart = frameIn.data() + kPayloadOffset;
    std::memcpy(payloadStart, frame.payload.data(), frame.payload.size());
    std::vector<uint8_t> frameOut(imageBytes);
    TranscoderBuffers buffers;
    for (auto _ : state) {
        // The caller reads every frame afresh; the transcoder overwrites the head's place.
        std::memcpy(frameIn.data() + kPayloadOffset, frame.payload.data(), kFrameHeadSize);
        const TranscodeResult result = TranscodeFrame(frameIn, frameOut, static_cast<uint32_t>(frame.payload.size()),
                                                      frame.width, frame.height, mode, buffers);
        if (result.error != TranscodeError::None) {
            state.SkipWithError("frame not transcoded");
            break;
        }
        benchmark::DoNotOptimize(result.length);
    }
    state.SetLabel("frame " + std::to_string(frame.payload.size()) + " bytes");
}

// The floor: Decode of the same frame and Encode of its picture as the
// transcoder encodes it (turned or mirrored beforehand, outside the timing),
// with the same settings. TranscodeFrame minus this is the transcoder's own
// work: head, DHT, pixel transform. Encoding a turned picture costs more than
// encoding the upright one (the 4:2:2 chroma runs the other way), which is
// why each mode has its own floor.
void BM_DecodeEncodeFloor(benchmark::State& state)
{
    const Frame frame = MakeFrame(static_cast<int32_t>(state.range(0)), static_cast<int32_t>(state.range(1)));
    const auto mode = static_cast<RotationMode>(state.range(2));
    std::vector<uint8_t> stream(frame.payload.begin(), frame.payload.begin() + kFrameHeadSize);
    stream.insert(stream.end(), StandardDhtSegment.begin(), StandardDhtSegment.end());
    stream.insert(stream.end(), frame.payload.begin() + kFrameHeadSize, frame.payload.end());
    const size_t imageBytes = static_cast<size_t>(frame.width) * frame.height * 3;
    const PictureSize size{frame.width, frame.height};
    std::vector<uint8_t> pixels(imageBytes);
    std::vector<uint8_t> turned(imageBytes);
    std::vector<uint8_t> out(imageBytes);
    SourceQuantTables tables;
    const CodecBuffer compressed(stream.data(), static_cast<uint32_t>(stream.size()));
    if (Decode(compressed, pixels.data(), imageBytes, size, tables) != CodecStatus::Ok) {
        state.SkipWithError("frame not decoded");
        return;
    }
    TransformPixels(pixels.data(), turned.data(), size, mode);
    for (auto _ : state) {
        const CodecStatus decoded = Decode(compressed, pixels.data(), imageBytes, size, tables);
        const EncodeResult encoded = Encode(CodecBuffer(turned.data(), static_cast<uint32_t>(imageBytes)), out,
                                            TransformedSize(size, mode), tables);
        if (decoded != CodecStatus::Ok || encoded.status != CodecStatus::Ok) {
            state.SkipWithError("frame not decoded or encoded");
            break;
        }
        benchmark::DoNotOptimize(encoded.length);
    }
}

// Only the pixel transform, for the share of the transcoder's own work.
void BM_TransformOnly(benchmark::State& state)
{
    const int32_t width = static_cast<int32_t>(state.range(0));
    const int32_t height = static_cast<int32_t>(state.range(1));
    const std::vector<uint8_t> source = Picture(width, height);
    std::vector<uint8_t> destination(source.size());
    for (auto _ : state) {
        TransformPixels(source.data(), destination.data(), {width, height}, static_cast<RotationMode>(state.range(2)));
        benchmark::ClobberMemory();
    }
}

void Sizes(benchmark::internal::Benchmark* bench, bool withModes)
{
    for (const auto& size : {std::pair{640, 480}, std::pair{1280, 720}}) {
        if (!withModes) {
            bench->Args({size.first, size.second});
            continue;
        }
        for (int mode = 0; mode <= 4; ++mode) {
            bench->Args({size.first, size.second, mode});
        }
    }
    bench->Unit(benchmark::kMillisecond);
}

}  // namespace

BENCHMARK(BM_DecodeEncodeFloor)->Apply([](benchmark::internal::Benchmark* b) { Sizes(b, true); });
BENCHMARK(BM_TranscodeFrame)->Apply([](benchmark::internal::Benchmark* b) { Sizes(b, true); });
BENCHMARK(BM_TransformOnly)->Apply([](benchmark::internal::Benchmark* b) { Sizes(b, true); })->Unit(benchmark::kMicrosecond);
