#include "ui/PreviewFrames.h"

#include "avi/VideoFrameReader.h"
#include "mjpeg/FrameTranscoder.h"
#include "mjpeg/StandardDht.h"

#include <algorithm>
#include <optional>
#include <vector>

namespace kestrel::ui {
namespace {

// A frame chunk larger than this is taken for damage rather than read.
constexpr uint32_t kMaxFrameBytes = 64u << 20;
constexpr uint8_t kSoiBytes[] = {0xFF, 0xD8};

FirstFrameError ErrorOf(avi::VideoFrameReader::Error error)
{
    switch (error) {
    case avi::VideoFrameReader::Error::None: break;
    case avi::VideoFrameReader::Error::CannotOpen: return FirstFrameError::CannotOpen;
    case avi::VideoFrameReader::Error::NotAvi: return FirstFrameError::NotAvi;
    case avi::VideoFrameReader::Error::NotMjpeg: return FirstFrameError::NotMjpeg;
    }
    return FirstFrameError::None;
}

// A Motion-JPEG frame as the decoder takes it: its SOI, the standard
// Huffman tables, then the rest of the frame.
CompressedFrame Decodable(const uint8_t* frame, size_t length, mjpeg::PictureSize size)
{
    CompressedFrame compressed;
    compressed.size = size;
    if (length <= sizeof kSoiBytes || !std::equal(std::begin(kSoiBytes), std::end(kSoiBytes), frame)) {
        compressed.error = FirstFrameError::Damaged;
        return compressed;
    }
    compressed.stream.reserve(length + mjpeg::StandardDhtSegment.size());
    compressed.stream.assign(std::begin(kSoiBytes), std::end(kSoiBytes));
    compressed.stream.insert(compressed.stream.end(), mjpeg::StandardDhtSegment.begin(),
                             mjpeg::StandardDhtSegment.end());
    compressed.stream.insert(compressed.stream.end(), frame + sizeof kSoiBytes, frame + length);
    return compressed;
}

}  // namespace

PreviewFrames LoadPreviewFrames(const std::string& path, int index, RotationMode mode, const std::atomic<bool>& stop)
{
    PreviewFrames result;
    avi::VideoFrameReader reader;
    result.error = ErrorOf(reader.Open(path));
    if (result.error != FirstFrameError::None)
        return result;
    result.frameCount = reader.AnnouncedFrames();
    const mjpeg::PictureSize size = reader.FrameSize();

    std::optional<FrameSpan> chosen;
    for (int at = 0; at <= index; ++at) {
        if (stop) {
            result.stopped = true;
            return result;
        }
        const std::optional<FrameSpan> next = reader.NextFrame();
        if (!next)
            break;
        chosen = next;
        result.index = at;
    }
    // The payload sits where the transcoder wants it, behind room for its head.
    std::vector<uint8_t> payload;
    if (!chosen || !reader.ReadFrame(*chosen, payload, kMaxFrameBytes)) {
        result.error = chosen ? FirstFrameError::Damaged : FirstFrameError::NoFrame;
        return result;
    }
    result.before = DecodeFrame(Decodable(payload.data(), payload.size(), size));
    if (result.before.error != FirstFrameError::None || stop) {
        result.error = result.before.error;
        result.stopped = bool(stop);
        return result;
    }

    std::vector<uint8_t> frameIn(mjpeg::kPayloadOffset + payload.size());
    std::copy(payload.begin(), payload.end(), frameIn.begin() + mjpeg::kPayloadOffset);
    std::vector<uint8_t> frameOut;
    mjpeg::TranscoderBuffers buffers;
    const mjpeg::TranscodeResult transcoded =
        mjpeg::TranscodeFrame(frameIn, frameOut, uint32_t(payload.size()), size.width, size.height, mode, buffers);
    if (transcoded.error != mjpeg::TranscodeError::None) {
        result.error = FirstFrameError::Damaged;
        return result;
    }
    const mjpeg::PictureSize turned = SwapsDimensions(mode) ? mjpeg::PictureSize{size.height, size.width} : size;
    result.after = DecodeFrame(Decodable(frameOut.data(), transcoded.length, turned));
    result.error = result.after.error;
    return result;
}

}  // namespace kestrel::ui
