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

#include <atomic>
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
    ConversionResult last;
    for (auto _ : state) {
        ConversionStatus status;
        RunConversion(std::make_unique<ConversionJob>(
                          ConversionJob{source, destination, kMode, static_cast<int32_t>(state.range(2))}),
                      status);
        if (!status.Succeeded()) {
            state.SkipWithError("conversion failed");
            break;
        }
        last = status.Result;
    }
    std::filesystem::remove(destination);
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * frames));
    // Where the frames of the last run were transcoded: a pipeline that
    // stopped delivering shows as frames by the walker at -j 2 and more.
    state.counters["by_workers"] = last.framesFromWorkers;
    state.counters["by_walker"] = last.framesByWalker;
}

// The floor on state.range(2) threads: the per-frame work of a conversion
// without the file around it. Each thread decodes its share of the clip's
// frames with DecodePlanes (turning the planes as they are decoded), fits
// the chroma with FitPlane and encodes with EncodePlanes, with the
// transcoder's settings and its own buffers. The threads are started per
// iteration and joined, so that the floor is timed on one wall clock like a
// whole conversion.
void BM_DecodeEncodeFloor(benchmark::State& state)
{
    const auto width = static_cast<int32_t>(state.range(0));
    const auto height = static_cast<int32_t>(state.range(1));
    const auto threads = static_cast<size_t>(state.range(2));
    std::vector<std::vector<uint8_t>> frames = ClipFrames(ClipPath(width, height));
    frames.resize(std::min<size_t>(frames.size(), 8));
    if (frames.empty()) {
        state.SkipWithError("no clip; run bench/compare-threads");
        return;
    }
    const PictureSize size{width, height};
    const PictureSize turnedSize = TransformedSize(size, kMode);
    // Each frame with the standard Huffman tables in front, as the
    // transcoder gives it to the decoder.
    std::vector<std::vector<uint8_t>> streams;
    for (const std::vector<uint8_t>& payload : frames) {
        std::vector<uint8_t>& stream = streams.emplace_back(payload.begin(), payload.begin() + kFrameHeadSize);
        stream.insert(stream.end(), StandardDhtSegment.begin(), StandardDhtSegment.end());
        stream.insert(stream.end(), payload.begin() + kFrameHeadSize, payload.end());
    }
    // Each thread transcodes this many frames per iteration: enough that
    // starting the threads is a small part of the time.
    constexpr size_t kFramesPerThread = 24;
    std::atomic<bool> failed{false};
    const auto work = [&](size_t thread) {
        PlanarImage turned;
        SourceQuantTables tables;
        std::array<std::vector<uint8_t>, 3> fitted;
        std::array<EncoderPlane, 3> planes;
        std::vector<uint8_t> out(static_cast<size_t>(width) * height * 3);
        for (size_t n = 0; n < kFramesPerThread; ++n) {
            std::vector<uint8_t>& stream = streams[(thread + n) % streams.size()];
            const CodecBuffer compressed(stream.data(), static_cast<uint32_t>(stream.size()));
            bool ok = DecodePlanes(compressed, size, tables, turned, kMode) == CodecStatus::Ok;
            for (int ci = 0; ok && ci < 3; ++ci)
                ok = FitPlane(turned.planes[ci], turned, ci, turnedSize.width, fitted[ci], planes[ci]);
            const EncodeResult encoded = ok ? EncodePlanes(planes, out, turnedSize, tables) : EncodeResult{};
            if (!ok || encoded.status != CodecStatus::Ok)
                failed = true;
            benchmark::DoNotOptimize(encoded.length);
        }
    };
    for (auto _ : state) {
        std::vector<std::thread> pool;
        for (size_t t = 1; t < threads; ++t)
            pool.emplace_back(work, t);
        work(0);
        for (std::thread& thread : pool)
            thread.join();
        if (failed) {
            state.SkipWithError("frame not decoded or encoded");
            break;
        }
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * threads * kFramesPerThread));
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
        for (int threads = 1; threads <= MaxThreads(); ++threads)
            bench->Args({width, height, threads});
    bench->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);
});
