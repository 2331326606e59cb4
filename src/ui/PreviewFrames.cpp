#include "ui/PreviewFrames.h"

#include "avi/VideoFrameReader.h"
#include "mjpeg/FrameTranscoder.h"
#include "mjpeg/StandardDht.h"

#include <algorithm>
#include <optional>
#include <vector>

namespace kestrel::ui {

PreviewFrames LoadPreviewFrames(const std::string& path, int index, RotationMode mode, const std::atomic<bool>& stop)
{
    PreviewFrames result;
    avi::VideoFrameReader reader;
    result.error = OpenFrameReader(reader, path);
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
    // The conversion's frame limits, and the owner's stop inside a frame.
    const mjpeg::FrameLimits limits{.stop = &stop};
    result.before = DecodeFrame(DecodableFrame(payload.data(), payload.size(), size), std::nullopt, limits);
    if (result.before.error != FirstFrameError::None || stop) {
        result.error = result.before.error;
        result.stopped = bool(stop);
        return result;
    }

    std::vector<uint8_t> frameIn(mjpeg::kPayloadOffset + payload.size());
    std::copy(payload.begin(), payload.end(), frameIn.begin() + mjpeg::kPayloadOffset);
    std::vector<uint8_t> frameOut;
    mjpeg::TranscoderBuffers buffers;
    const mjpeg::TranscodeResult transcoded = mjpeg::TranscodeFrame(frameIn, frameOut, uint32_t(payload.size()),
                                                                    size.width, size.height, mode, buffers, limits);
    if (transcoded.error != mjpeg::TranscodeError::None) {
        result.error = FirstFrameError::Damaged;
        result.stopped = bool(stop);
        return result;
    }
    const mjpeg::PictureSize turned = SwapsDimensions(mode) ? mjpeg::PictureSize{size.height, size.width} : size;
    result.after = DecodeFrame(DecodableFrame(frameOut.data(), transcoded.length, turned), std::nullopt, limits);
    result.error = result.after.error;
    result.stopped = bool(stop);
    return result;
}

}  // namespace kestrel::ui
