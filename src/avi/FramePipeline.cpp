#include "avi/FramePipeline.h"

#include "avi/AviLayout.h"

#include <system_error>

namespace kestrel {
namespace {

// The pipeline's handles on the source only read at given offsets, which
// bypass the buffer.
constexpr uint32_t kHandleBufferSize = 64;

}  // namespace

std::unique_ptr<FramePipeline> FramePipeline::Start(const std::string& sourcePath, uint64_t begin, uint64_t end,
                                                    std::optional<int32_t> videoStream, const FrameFormat& format,
                                                    int32_t workers)
{
    if (workers < 2 || sourcePath.empty())
        return nullptr;
    std::unique_ptr<FramePipeline> pipeline(new FramePipeline(begin, end, videoStream, format, workers));
    if (!pipeline->scanSource_.Open(sourcePath, ChunkStream::Mode::Read, kHandleBufferSize))
        return nullptr;
    for (auto& worker : pipeline->workers_)
        if (!worker->source.Open(sourcePath, ChunkStream::Mode::Read, kHandleBufferSize))
            return nullptr;
    size_t started = 0;
    for (auto& worker : pipeline->workers_) {
        try {
            worker->thread = std::thread([&pipeline = *pipeline, &worker = *worker] { pipeline.Work(worker); });
            ++started;
        } catch (const std::system_error&) {
            break;  // the system gives no more threads: go on with those it gave
        }
    }
    if (started == 0)
        return nullptr;
    return pipeline;
}

FramePipeline::FramePipeline(uint64_t begin, uint64_t end, std::optional<int32_t> videoStream,
                             const FrameFormat& format, int32_t workers)
    : format_(format), scanner_(scanSource_, begin, end, videoStream), slots_(size_t(workers) * 2)
{
    workers_.reserve(size_t(workers));
    for (int32_t i = 0; i < workers; ++i)
        workers_.push_back(std::make_unique<Worker>());
}

FramePipeline::~FramePipeline()
{
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    workerWait_.notify_all();
    for (auto& worker : workers_)
        if (worker->thread.joinable())
            worker->thread.join();
}

void FramePipeline::Work(Worker& worker)
{
    for (;;) {
        // One worker at a time scans, so that frames are claimed in file
        // order; the scan reads the file without holding the lock that the
        // walker and the other workers need.
        std::unique_lock scanLock(scanMutex_);
        std::unique_lock lock(mutex_);
        workerWait_.wait(lock, [&] { return stop_ || scanEnded_ || claimed_ < taken_ + slots_.size(); });
        if (stop_ || scanEnded_)
            return;
        lock.unlock();
        const std::optional<FrameSpan> span = scanner_.Next();
        lock.lock();
        if (!span) {
            scanEnded_ = true;
            workerWait_.notify_all();
            walkerWait_.notify_one();
            return;
        }
        // The slot is this worker's alone until it is marked done.
        Slot& slot = slots_[claimed_ % slots_.size()];
        ++claimed_;
        slot.state = SlotState::Working;
        slot.span = *span;
        walkerWait_.notify_one();
        lock.unlock();
        scanLock.unlock();

        const bool delivered = TranscodeInto(worker, slot);
        lock.lock();
        slot.delivered = delivered;
        slot.state = SlotState::Done;
        walkerWait_.notify_one();
    }
}

bool FramePipeline::TranscodeInto(Worker& worker, Slot& slot) noexcept
{
    try {
        const uint32_t size = slot.span.size;
        uint8_t* payload = worker.workspace.PayloadBuffer(size, format_);
        if (!worker.source.PeekAt(slot.span.offset + avi::kChunkHeaderSize, payload, size))
            return false;
        slot.frame.result = worker.workspace.Transcode(size, format_);
        const uint8_t* out = worker.workspace.Output();
        if (slot.frame.result.error == mjpeg::TranscodeError::None)
            slot.frame.data.assign(out, out + slot.frame.result.length);
        return true;
    } catch (const std::exception&) {
        // Out of memory here: the walker tries the frame itself.
        return false;
    }
}

const FramePipeline::Frame* FramePipeline::Take(uint64_t offset, uint32_t size, const FrameFormat& format)
{
    std::unique_lock lock(mutex_);
    if (holding_)
        ReleaseLocked();
    if (format != format_)
        return nullptr;
    for (;;) {
        if (taken_ == claimed_) {
            // Every found frame is released: the workers have room, so a
            // frame is claimed soon unless the scan has ended.
            if (scanEnded_ || stop_)
                return nullptr;
            walkerWait_.wait(lock);
            continue;
        }
        Slot& slot = slots_[taken_ % slots_.size()];
        if (slot.span.offset > offset)
            return nullptr;  // the walker met a frame the scan did not list
        if (slot.state != SlotState::Done) {
            walkerWait_.wait(lock);
            continue;
        }
        if (slot.span.offset < offset) {
            ReleaseLocked();  // listed by the scan, not a frame to the walker
            continue;
        }
        if (slot.span.size != size || !slot.delivered) {
            ReleaseLocked();
            return nullptr;
        }
        holding_ = true;
        return &slot.frame;
    }
}

void FramePipeline::Release()
{
    std::lock_guard lock(mutex_);
    if (holding_)
        ReleaseLocked();
}

void FramePipeline::ReleaseLocked()
{
    Slot& slot = slots_[taken_ % slots_.size()];
    slot.state = SlotState::Free;
    slot.delivered = false;
    ++taken_;
    holding_ = false;
    workerWait_.notify_all();
}

}  // namespace kestrel
