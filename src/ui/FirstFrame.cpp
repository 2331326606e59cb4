#include "ui/FirstFrame.h"

#include "avi/VideoFrameReader.h"
#include "mjpeg/CodecBuffer.h"
#include "mjpeg/JpegCodec.h"
#include "mjpeg/SamplePlane.h"
#include "mjpeg/SourceQuantTables.h"
#include "mjpeg/StandardDht.h"
#include "ui/PathKind.h"

#include <algorithm>
#include <limits>

namespace kestrel::ui {
namespace {

// Pictures beyond this many bytes decoded are not previewed.
constexpr uint64_t kMaxPictureBytes = 256u << 20;
constexpr uint8_t kSoiBytes[] = {0xFF, 0xD8};

}  // namespace

FirstFrameError OpenFrameReader(avi::VideoFrameReader& reader, const std::string& path)
{
    switch (KindOfPath(path)) {
    case PathKind::RegularFile: break;
    case PathKind::Missing: return FirstFrameError::CannotOpen;
    case PathKind::Folder:
    case PathKind::Other: return FirstFrameError::NotAFile;
    }
    switch (reader.Open(path)) {
    case avi::VideoFrameReader::Error::None: break;
    case avi::VideoFrameReader::Error::CannotOpen: return FirstFrameError::CannotOpen;
    case avi::VideoFrameReader::Error::NotAvi: return FirstFrameError::NotAvi;
    case avi::VideoFrameReader::Error::NotMjpeg: return FirstFrameError::NotMjpeg;
    }
    return FirstFrameError::None;
}

CompressedFrame DecodableFrame(const uint8_t* frame, size_t length, mjpeg::PictureSize size)
{
    CompressedFrame compressed;
    compressed.size = size;
    if (length <= sizeof kSoiBytes || !std::equal(std::begin(kSoiBytes), std::end(kSoiBytes), frame)) {
        compressed.error = FirstFrameError::Damaged;
        return compressed;
    }
    std::vector<uint8_t>& stream = compressed.stream;
    stream.reserve(length + mjpeg::StandardDhtSegment.size());
    stream.assign(std::begin(kSoiBytes), std::end(kSoiBytes));
    stream.insert(stream.end(), mjpeg::StandardDhtSegment.begin(), mjpeg::StandardDhtSegment.end());
    stream.insert(stream.end(), frame + sizeof kSoiBytes, frame + length);
    return compressed;
}

CompressedFrame ReadFirstFrame(const std::string& path)
{
    CompressedFrame result;
    avi::VideoFrameReader reader;
    result.error = OpenFrameReader(reader, path);
    if (result.error != FirstFrameError::None)
        return result;
    result.size = reader.FrameSize();
    const std::optional<FrameSpan> frame = reader.NextFrame();
    if (!frame) {
        result.error = FirstFrameError::NoFrame;
        return result;
    }
    std::vector<uint8_t> payload;
    if (!reader.ReadFrame(*frame, payload, kMaxFrameBytes)) {
        result.error = FirstFrameError::Damaged;
        return result;
    }
    return DecodableFrame(payload.data(), payload.size(), result.size);
}

FramePicture DecodeFrame(const CompressedFrame& frame, std::optional<RotationMode> transform,
                         const mjpeg::FrameLimits& limits)
{
    FramePicture picture;
    const uint64_t bytes = uint64_t(frame.size.width) * uint64_t(frame.size.height) * 3;
    if (frame.error != FirstFrameError::None || frame.stream.empty() || bytes == 0 || bytes > kMaxPictureBytes ||
        frame.stream.size() > std::numeric_limits<uint32_t>::max()) {
        picture.error = frame.error != FirstFrameError::None ? frame.error : FirstFrameError::Damaged;
        return picture;
    }
    // The conversion's own decoder and plane transform; only the display's
    // chroma upsampling (each sample repeated over the pixels it covers) is
    // the preview's.
    mjpeg::SourceQuantTables tables;
    mjpeg::PlanarImage image;
    // The decoder only reads the stream.
    const mjpeg::CodecBuffer stream(const_cast<uint8_t*>(frame.stream.data()), uint32_t(frame.stream.size()));
    const mjpeg::CodecStatus decoded =
        mjpeg::DecodePlanes(stream, frame.size, tables, image, transform, nullptr, nullptr, limits);
    if (decoded != mjpeg::CodecStatus::Ok) {
        picture.error =
            decoded == mjpeg::CodecStatus::NotBaseline ? FirstFrameError::NotBaseline : FirstFrameError::Damaged;
        return picture;
    }
    picture.size = frame.size;
    if (transform && SwapsDimensions(*transform))
        std::swap(picture.size.width, picture.size.height);
    picture.pixels.resize(bytes);
    for (int ci = 0; ci < 3; ++ci) {
        const mjpeg::SamplePlane& plane = image.planes[ci];
        for (int32_t y = 0; y < picture.size.height; ++y) {
            const int64_t row = std::min<int64_t>(
                (int64_t(y) + plane.leadingRows) * plane.verticalFactor / image.maxVertical, plane.size.height - 1);
            const uint8_t* samples = plane.Row(size_t(row));
            uint8_t* out = picture.pixels.data() + size_t(y) * size_t(picture.size.width) * 3 + size_t(ci);
            for (int32_t x = 0; x < picture.size.width; ++x) {
                const int64_t column = std::min<int64_t>((int64_t(x) + plane.leadingColumns) * plane.horizontalFactor /
                                                             image.maxHorizontal,
                                                         plane.size.width - 1);
                out[size_t(x) * 3] = samples[column];
            }
        }
    }
    return picture;
}

std::string FirstFrameErrorText(FirstFrameError error)
{
    switch (error) {
    case FirstFrameError::None: break;
    case FirstFrameError::CannotOpen: return "This file cannot be opened.";
    case FirstFrameError::NotAFile: return "This is not a regular file.";
    case FirstFrameError::NotAvi: return "This file is not an AVI file.";
    case FirstFrameError::NotMjpeg: return "This file has no 24-bit Motion-JPEG video.";
    case FirstFrameError::NoFrame: return "This file holds no video frame.";
    case FirstFrameError::NotBaseline:
        return "This frame is progressive or arithmetic-coded; only baseline frames are converted.";
    case FirstFrameError::Damaged: return "The first frame of this file cannot be decoded.";
    }
    return {};
}

}  // namespace kestrel::ui
