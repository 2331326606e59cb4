#include "avi/VideoFrameReader.h"

#include "avi/AviLayout.h"
#include "avi/VideoFormat.h"

#include <algorithm>

namespace kestrel::avi {
namespace {

// Only headers and frames are read, at given offsets.
constexpr uint32_t kBufferSize = 4096;
constexpr uint32_t kRiffHeaderSize = kChunkHeaderSize + kListTypeSize;

}  // namespace

VideoFrameReader::Error VideoFrameReader::Open(const std::string& path)
{
    if (!file_.Open(path, ChunkStream::Mode::Read, kBufferSize))
        return Error::CannotOpen;
    uint8_t header[kRiffHeaderSize];
    if (!file_.PeekAt(0, header, sizeof header) || ReadLe32(header) != kRiff ||
        ReadLe32(header + kChunkHeaderSize) != kAviForm)
        return Error::NotAvi;
    // A file cut short ends its RIFF chunk early.
    const uint64_t riffEnd = std::min(file_.Size(), uint64_t{kChunkHeaderSize} + ReadLe32(header + 4));
    riffRest_ = Span{kRiffHeaderSize, riffEnd};
    nextRiff_ = riffEnd + (riffEnd & 1);

    // The header list comes before the first 'movi'.
    ForEachChild(*riffRest_, [&](FourCC id, Span data, FourCC listType) {
        if (id == kList && listType == kHdrl)
            ReadHeaderList(data);
        return !(id == kList && listType == kMovi);
    });
    if (!haveFormat_)
        return Error::NotMjpeg;
    return Error::None;
}

template <typename Visit> void VideoFrameReader::ForEachChild(Span list, Visit&& visit)
{
    for (uint64_t at = list.begin; at + kChunkHeaderSize <= list.end;) {
        uint8_t header[kChunkHeaderSize + kListTypeSize];
        if (!file_.PeekAt(at, header, kChunkHeaderSize))
            return;
        const FourCC id = ReadLe32(header);
        const uint32_t size = ReadLe32(header + 4);
        Span data{at + kChunkHeaderSize, std::min(list.end, at + kChunkHeaderSize + size)};
        FourCC listType = 0;
        if (id == kList) {
            if (data.end - data.begin < kListTypeSize || !file_.PeekAt(data.begin, header + 8, kListTypeSize))
                return;
            listType = ReadLe32(header + 8);
            data.begin += kListTypeSize;
        }
        if (!visit(id, data, listType))
            return;
        at = data.end + (size & 1);
    }
}

void VideoFrameReader::ReadHeaderList(Span hdrl)
{
    int32_t streams = 0;
    ForEachChild(hdrl, [&](FourCC id, Span data, FourCC listType) {
        uint8_t field[strf::kSize];
        if (id == kAvih && data.end - data.begin >= avih::kSize &&
            file_.PeekAt(data.begin + avih::kTotalFrames, field, 4))
            announcedFrames_ = std::max(announcedFrames_, ReadLe32(field));
        if (id == kList && listType == kOdml)
            ForEachChild(data, [&](FourCC child, Span dmlh, FourCC) {
                if (child == kDmlh && dmlh.end - dmlh.begin >= dmlh::kMinimumSize &&
                    file_.PeekAt(dmlh.begin + dmlh::kTotalFrames, field, 4))
                    announcedFrames_ = std::max(announcedFrames_, ReadLe32(field));
                return true;
            });
        if (id != kList || listType != kStrl)
            return true;
        // Streams are numbered by the order of their lists; the first video
        // stream is the one converted.
        const int32_t stream = streams++;
        bool video = false;
        ForEachChild(data, [&](FourCC child, Span chunk, FourCC) {
            if (child == kStrh && chunk.end - chunk.begin >= strh::kSize &&
                file_.PeekAt(chunk.begin + strh::kType, field, 8))
                video = !videoStream_ && ReadLe32(field) == kVids && IsMjpegHandler(ReadLe32(field + 4));
            if (child == kStrf && video && chunk.end - chunk.begin >= strf::kSize &&
                file_.PeekAt(chunk.begin, field, strf::kSize)) {
                videoStream_ = stream;
                haveFormat_ = ReadVideoFormat(field, frameSize_).Ok();
            }
            return true;
        });
        return true;
    });
}

std::optional<VideoFrameReader::Span> VideoFrameReader::NextMovi()
{
    for (;;) {
        if (riffRest_) {
            std::optional<Span> movi;
            ForEachChild(*riffRest_, [&](FourCC id, Span data, FourCC listType) {
                if (id == kList && listType == kMovi)
                    movi = data;
                return !movi;
            });
            if (movi) {
                riffRest_->begin = movi->end + ((movi->end - movi->begin) & 1);
                return movi;
            }
            riffRest_.reset();
        }
        // An OpenDML file goes on in 'RIFF AVIX' chunks.
        uint8_t header[kRiffHeaderSize];
        if (!file_.PeekAt(nextRiff_, header, sizeof header) || ReadLe32(header) != kRiff ||
            ReadLe32(header + kChunkHeaderSize) != kAvixForm)
            return std::nullopt;
        const uint64_t end = std::min(file_.Size(), nextRiff_ + kChunkHeaderSize + ReadLe32(header + 4));
        riffRest_ = Span{nextRiff_ + kRiffHeaderSize, end};
        nextRiff_ = end + (end & 1);
    }
}

std::optional<FrameSpan> VideoFrameReader::NextFrame()
{
    if (!haveFormat_)
        return std::nullopt;
    for (;;) {
        if (scanner_)
            if (std::optional<FrameSpan> frame = scanner_->Next())
                return frame;
        const std::optional<Span> movi = NextMovi();
        if (!movi)
            return std::nullopt;
        scanner_.emplace(file_, movi->begin, movi->end, videoStream_);
    }
}

bool VideoFrameReader::ReadFrame(const FrameSpan& frame, std::vector<uint8_t>& payload, uint32_t maximumSize)
{
    if (frame.size > maximumSize)
        return false;
    payload.resize(frame.size);
    return file_.PeekAt(frame.offset + kChunkHeaderSize, payload.data(), frame.size);
}

}  // namespace kestrel::avi
