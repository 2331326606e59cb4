#include "mjpeg/FrameTranscoder.h"

#include "mjpeg/CodecBuffer.h"
#include "mjpeg/CoefficientTranscode.h"
#include "mjpeg/FramePath.h"
#include "mjpeg/JpegBytes.h"
#include "mjpeg/JpegCodec.h"
#include "mjpeg/PlaneFit.h"
#include "mjpeg/PlaneTransform.h"
#include "mjpeg/StandardDht.h"

#include <array>
#include <cstring>
#include <limits>
#include <new>

namespace kestrel::mjpeg {

// The head and the standard DHT take the room in front of payload byte 20:
// the head moves to byte 0 and the DHT covers bytes 20 to 439.
static_assert(kPayloadOffset == kStandardDhtSize);

namespace {

// The frame head: SOI, then one marker segment whose length field reads 16
// (an APP0 "AVI1" or "JFIF" segment in a conforming frame).
constexpr size_t kHeadSegmentMarker = 2;
constexpr size_t kHeadSegmentLength = 4;
constexpr uint16_t kHeadSegmentLengthValue = kFrameHeadSize - kMarkerSize - kMarkerSize;

using FrameHead = std::array<uint8_t, kFrameHeadSize>;

// Only a head of exactly SOI and one whole APPn or COM segment can stand in
// front of the DHT here and in front of the header block of the new frame;
// any other first 20 bytes would cut a segment apart in both.
bool IsWholeHead(const FrameHead& head)
{
    const uint8_t code = head[kHeadSegmentMarker + 1];
    return head[0] == kMarkerPrefix && head[1] == kSoi && head[kHeadSegmentMarker] == kMarkerPrefix &&
           ((code >= kApp0 && code <= kApp15) || code == kCom) &&
           ReadBe16(head.data() + kHeadSegmentLength) == kHeadSegmentLengthValue;
}

// Copies the APPn and COM segments from frame byte `from` up to the first
// SOS, in their order, into `segments`. Scanning stops at the first byte
// that does not start a whole segment inside the frame: the decoder judges
// such a frame, and nothing cut apart is carried.
void CollectCarriedSegments(const uint8_t* frame, size_t length, size_t from, std::vector<uint8_t>& segments)
{
    segments.clear();
    size_t pos = from;
    while (pos + kMarkerSize + kSegmentLengthSize <= length && frame[pos] == kMarkerPrefix) {
        const uint8_t code = frame[pos + 1];
        if (code == kMarkerPrefix) {  // a fill byte in front of a marker
            ++pos;
            continue;
        }
        if (code == kSos || code == kEoi || code == kSoi)
            return;
        const size_t end = pos + kMarkerSize + ReadBe16(frame + pos + kMarkerSize);
        if (end > length || end < pos + kMarkerSize + kSegmentLengthSize)
            return;
        if ((code >= kApp0 && code <= kApp15) || code == kCom)
            segments.insert(segments.end(), frame + pos, frame + end);
        pos = end;
    }
}

TranscodeError ToTranscodeError(CodecStatus status)
{
    switch (status) {
    case CodecStatus::Ok: return TranscodeError::None;
    case CodecStatus::UnexpectedPicture: return TranscodeError::UnexpectedPicture;
    case CodecStatus::OutOfMemory: return TranscodeError::OutOfMemory;
    case CodecStatus::NotBaseline: return TranscodeError::NotBaseline;
    case CodecStatus::TooFewBytes: return TranscodeError::TooFewBytes;
    case CodecStatus::TooLarge: return TranscodeError::TooLarge;
    case CodecStatus::Stopped: return TranscodeError::Stopped;
    case CodecStatus::Failed: break;
    }
    return TranscodeError::Damaged;
}

// Today's path for every frame the coefficient path leaves: each plane is
// decoded a strip at a time, and each strip goes straight to its place in
// the transformed plane (the planes are not stored upright first); the
// planes are fitted to 4:2:2 and encoded.
EncodeResult TranscodeOnPlanes(const CodecBuffer& stream, PictureSize sourceSize, RotationMode mode,
                               TranscoderBuffers& buffers, std::vector<uint8_t>& frameOut, std::string* libraryMessage,
                               std::string* warning, const FrameLimits& limits)
{
    const PictureSize outputSize = TransformedSize(sourceSize, mode);
    PlanarImage& planes = buffers.TransformedPlanes;
    const CodecStatus decoded =
        DecodePlanes(stream, sourceSize, buffers.SourceQuantTables, planes, mode, libraryMessage, warning, limits);
    if (decoded != CodecStatus::Ok) {
        return {decoded, 0};
    }
    std::array<EncoderPlane, 3> encoderPlanes;
    for (int ci = 0; ci < 3; ++ci) {
        if (!FitPlane(planes.planes[ci], planes, ci, outputSize.width, buffers.FittedPlanes[ci], encoderPlanes[ci])) {
            buffers.Release();
            libraryMessage->clear();
            return {CodecStatus::OutOfMemory, 0};
        }
    }
    return EncodePlanes(encoderPlanes, frameOut, outputSize, buffers.SourceQuantTables, libraryMessage,
                        buffers.CarriedSegments, limits.stop);
}

}  // namespace

void TranscoderBuffers::Release()
{
    for (SamplePlane& plane : TransformedPlanes.planes)
        std::vector<uint8_t>().swap(plane.samples);
    for (std::vector<uint8_t>& fitted : FittedPlanes)
        std::vector<uint8_t>().swap(fitted);
    std::vector<uint8_t>().swap(CarriedSegments);
    Coefficients.Release();
}

TranscodeResult TranscodeFrame(std::vector<uint8_t>& frameIn, std::vector<uint8_t>& frameOut, uint32_t payloadLength,
                               int32_t width, int32_t height, RotationMode mode, TranscoderBuffers& buffers,
                               const FrameLimits& limits)
{
    return TranscodeFrameOn(FramePath::Coefficients, frameIn, frameOut, payloadLength, width, height, mode, buffers,
                            limits);
}

TranscodeResult TranscodeFrameOn(FramePath path, std::vector<uint8_t>& frameIn, std::vector<uint8_t>& frameOut,
                                 uint32_t payloadLength, int32_t width, int32_t height, RotationMode mode,
                                 TranscoderBuffers& buffers, const FrameLimits& limits)
{
    if (payloadLength < kFrameHeadSize) {
        return {TranscodeError::PayloadTooShort, 0, {}, {}};
    }
    if (width <= 0 || height <= 0 || width > kMaximumDimension || height > kMaximumDimension) {
        return {TranscodeError::UnexpectedPicture, 0, {}, {}};
    }
    // The stream handed to the decoder runs from byte 0 to the payload's end.
    if (payloadLength > std::numeric_limits<uint32_t>::max() - kPayloadOffset ||
        frameIn.size() < kPayloadOffset + static_cast<size_t>(payloadLength)) {
        return {TranscodeError::Damaged, 0, {}, {}};
    }

    // Head and standard DHT go in front of payload byte 20, which stays put.
    FrameHead head;
    std::memcpy(head.data(), frameIn.data() + kPayloadOffset, kFrameHeadSize);
    const bool keepHead = IsWholeHead(head);
    if (keepHead) {
        std::memcpy(frameIn.data(), head.data(), kFrameHeadSize);
        std::memcpy(frameIn.data() + kFrameHeadSize, StandardDhtSegment.data(), kStandardDhtSize);
    } else if (head[0] == kMarkerPrefix && head[1] == kSoi) {
        // SOI straight followed by the tables, as webcams write their frames:
        // the DHT goes right behind SOI (over the payload's own SOI), and the
        // new frame keeps the encoder's SOI and JFIF APP0 as its head.
        frameIn[0] = kMarkerPrefix;
        frameIn[1] = kSoi;
        std::memcpy(frameIn.data() + kMarkerSize, StandardDhtSegment.data(), kStandardDhtSize);
    } else {
        return {TranscodeError::Damaged, 0, {}, {}};
    }

    // The payload behind the head (or behind SOI) is still in place.
    CollectCarriedSegments(frameIn.data() + kPayloadOffset, payloadLength, keepHead ? kFrameHeadSize : kMarkerSize,
                           buffers.CarriedSegments);

    const PictureSize sourceSize{width, height};
    const CodecBuffer stream(frameIn.data(), payloadLength + kPayloadOffset);
    std::string libraryMessage;
    std::string warning;
    EncodeResult encoded;
    CoefficientResult coefficients;
    if (path == FramePath::Coefficients) {
        coefficients = TranscodeCoefficients(stream, sourceSize, mode, buffers.CarriedSegments, buffers, frameOut,
                                             &libraryMessage, &warning, limits);
        encoded = {coefficients.status, coefficients.length};
    }
    if (path == FramePath::Planes || coefficients.planePath) {
        encoded = TranscodeOnPlanes(stream, sourceSize, mode, buffers, frameOut, &libraryMessage, &warning, limits);
    }
    if (encoded.status != CodecStatus::Ok) {
        return {ToTranscodeError(encoded.status), 0, std::move(libraryMessage), {}};
    }
    if (encoded.length < kFrameHeadSize || frameOut.size() < encoded.length) {
        return {TranscodeError::Damaged, 0, {}, {}};
    }

    // The new frame keeps the source's head in place of the encoder's SOI
    // and JFIF APP0, which are 20 bytes as well.
    if (keepHead)
        std::memcpy(frameOut.data(), head.data(), kFrameHeadSize);
    return {TranscodeError::None, encoded.length, {}, std::move(warning)};
}

}  // namespace kestrel::mjpeg
