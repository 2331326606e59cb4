// Whole-file conversions with 1, 2, ... threads transcoding frames, beside
// the bare decode + encode floor of the same file's frames on as many
// threads, in one process. The clips are Motion-JPEG AVI files named
// clip_WxH.avi in the directory given by KESTREL_BENCH_CLIPS (made by
// bench/compare-threads). Throughput is items_per_second: frames per second
// of wall-clock time, all threads together.

#include "avi/AviLayout.h"
#include "avi/ChunkStream.h"
#include "avi/FrameScan.h"
#include "job/RunConversion.h"
#include "mjpeg/FrameTranscoder.h"
#include "mjpeg/JpegCodec.h"
#include "mjpeg/PlaneFit.h"
#include "mjpeg/PlaneTransform.h"
#include "mjpeg/StandardDht.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace kestrel;
using namespace kestrel::mjpeg;

constexpr RotationMode kMode = RotationMode::Clockwise90;

std::string ClipPath(int64_t width, int64_t height)
{
    const char* dir = std::getenv("KESTREL_BENCH_CLIPS");
    return std::string(dir ? dir : ".") + "/clip_" + std::to_string(width) + "x" + std::to_string(height) + ".avi";
}

// The payloads of the clip's video frames, in file order.
std::vector<std::vector<uint8_t>> ClipFrames(const std::string& path)
{
    std::vector<std::vector<uint8_t>> frames;
    ChunkStream file;
    if (!file.Open(path, ChunkStream::Mode::Read, 64))
        return frames;
    uint8_t header[avi::kChunkHeaderSize + avi::kListTypeSize];
    for (uint64_t at = avi::kChunkHeaderSize + avi::kListTypeSize; file.PeekAt(at, header, sizeof header);) {
        const uint32_t size = ReadLe32(header + 4);
        if (ReadLe32(header) == avi::kList && ReadLe32(header + 8) == avi::kMovi) {
            FrameScanner scanner(file, at + sizeof header, at + avi::kChunkHeaderSize + size, 0);
            while (const std::optional<FrameSpan> span = scanner.Next()) {
                std::vector<uint8_t>& frame = frames.emplace_back(span->size);
                file.PeekAt(span->offset + avi::kChunkHeaderSize, frame.data(), span->size);
            }
            break;
        }
        at += avi::kChunkHeaderSize + size + (size & 1);
    }
    return frames;
}

// RunConversion of the clip with state.range(2) threads, cw.
void BM_ConvertFile(benchmark::State& state)
{
    const std::string source = ClipPath(state.range(0), state.range(1));
    const size_t frames = ClipFrames(source).size();
    if (frames == 0) {
        state.SkipWithError("no clip; run bench/compare-threads");
        return;
    }
    const std::string destination = std::filesystem::temp_directory_path() / "kestrel-bench-out.avi";
    for (auto _ : state) {
        ConversionStatus status;
        RunConversion(std::make_unique<ConversionJob>(
                          ConversionJob{source, destination, kMode, static_cast<int32_t>(state.range(2))}),
                      status);
        if (!status.Succeeded()) {
            state.SkipWithError("conversion failed");
            break;
        }
    }
    std::filesystem::remove(destination);
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * frames));
}

// The floor on each thread: DecodePlanes of the clip's frames in turn and
// EncodePlanes of what the transcoder would encode for them (turned and
// fitted beforehand, outside the timing), with the transcoder's settings.
void BM_DecodeEncodeFloor(benchmark::State& state)
{
    const auto width = static_cast<int32_t>(state.range(0));
    const auto height = static_cast<int32_t>(state.range(1));
    std::vector<std::vector<uint8_t>> frames = ClipFrames(ClipPath(width, height));
    frames.resize(std::min<size_t>(frames.size(), 8));
    if (frames.empty()) {
        state.SkipWithError("no clip; run bench/compare-threads");
        return;
    }
    const PictureSize size{width, height};
    const PictureSize turnedSize = TransformedSize(size, kMode);
    struct Prepared {
        std::vector<uint8_t> stream;
        std::array<std::vector<uint8_t>, 3> fitted;
        std::array<EncoderPlane, 3> planes;
        PlanarImage turned;
        SourceQuantTables tables;
    };
    std::vector<Prepared> prepared(frames.size());
    for (size_t i = 0; i < frames.size(); ++i) {
        Prepared& p = prepared[i];
        const std::vector<uint8_t>& payload = frames[i];
        p.stream.assign(payload.begin(), payload.begin() + kFrameHeadSize);
        p.stream.insert(p.stream.end(), StandardDhtSegment.begin(), StandardDhtSegment.end());
        p.stream.insert(p.stream.end(), payload.begin() + kFrameHeadSize, payload.end());
        const CodecBuffer compressed(p.stream.data(), static_cast<uint32_t>(p.stream.size()));
        if (DecodePlanes(compressed, size, p.tables, p.turned, kMode) != CodecStatus::Ok) {
            state.SkipWithError("frame not decoded");
            return;
        }
        for (int ci = 0; ci < 3; ++ci)
            FitPlane(p.turned.planes[ci], p.turned, ci, turnedSize.width, p.fitted[ci], p.planes[ci]);
    }
    PlanarImage upright;
    std::vector<uint8_t> out(static_cast<size_t>(width) * height * 3);
    size_t next = 0;
    for (auto _ : state) {
        Prepared& p = prepared[next];
        next = (next + 1) % prepared.size();
        const CodecBuffer compressed(p.stream.data(), static_cast<uint32_t>(p.stream.size()));
        const CodecStatus decoded = DecodePlanes(compressed, size, p.tables, upright);
        const EncodeResult encoded = EncodePlanes(p.planes, out, turnedSize, p.tables);
        if (decoded != CodecStatus::Ok || encoded.status != CodecStatus::Ok) {
            state.SkipWithError("frame not decoded or encoded");
            break;
        }
        benchmark::DoNotOptimize(encoded.length);
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
}

const std::vector<std::pair<int, int>> kSizes = {{640, 480}, {1280, 720}, {1920, 1080}};

int MaxThreads() { return static_cast<int>(std::max(1u, std::thread::hardware_concurrency())); }

}  // namespace

BENCHMARK(BM_ConvertFile)->Apply([](benchmark::internal::Benchmark* bench) {
    for (const auto& [width, height] : kSizes)
        for (int threads = 1; threads <= MaxThreads(); ++threads)
            bench->Args({width, height, threads});
    bench->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);
});
BENCHMARK(BM_DecodeEncodeFloor)->Apply([](benchmark::internal::Benchmark* bench) {
    for (const auto& [width, height] : kSizes)
        bench->Args({width, height});
    bench->ThreadRange(1, MaxThreads())->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);
});
