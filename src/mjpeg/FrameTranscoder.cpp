#include "mjpeg/FrameTranscoder.h"

#include "mjpeg/CodecBuffer.h"
#include "mjpeg/JpegBytes.h"
#include "mjpeg/JpegCodec.h"
#include "mjpeg/PixelTransform.h"
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

// The library's limit for either dimension.
constexpr int32_t kMaxDimension = 65500;

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

TranscodeError ToTranscodeError(CodecStatus status)
{
    switch (status) {
    case CodecStatus::Ok:
        return TranscodeError::None;
    case CodecStatus::UnexpectedPicture:
        return TranscodeError::UnexpectedPicture;
    case CodecStatus::Failed:
        break;
    }
    return TranscodeError::Damaged;
}

// Sizes the work image for a W x H picture. Its size stays for all later
// frames of the conversion, so this allocates only on the first one.
bool SizeWorkImage(TranscoderBuffers& buffers, size_t imageBytes) noexcept
{
    try {
        buffers.TransformedImage.resize(imageBytes);
    } catch (const std::bad_alloc&) {
        buffers.Release();
        return false;
    }
    return true;
}

}  // namespace

void TranscoderBuffers::Release()
{
    std::vector<uint8_t>().swap(TransformedImage);
}

TranscodeResult TranscodeFrame(std::vector<uint8_t>& frameIn, std::vector<uint8_t>& frameOut, uint32_t payloadLength,
                               int32_t width, int32_t height, RotationMode mode, TranscoderBuffers& buffers)
{
    if (payloadLength < kFrameHeadSize) {
        return {TranscodeError::PayloadTooShort, 0, {}};
    }
    if (width <= 0 || height <= 0 || width > kMaxDimension || height > kMaxDimension) {
        return {TranscodeError::UnexpectedPicture, 0, {}};
    }
    const size_t imageBytes = static_cast<size_t>(width) * static_cast<size_t>(height) * kBytesPerPixel;
    if (imageBytes > std::numeric_limits<uint32_t>::max()) {
        return {TranscodeError::UnexpectedPicture, 0, {}};
    }
    // The stream handed to the decoder runs from byte 0 to the payload's end.
    if (payloadLength > std::numeric_limits<uint32_t>::max() - kPayloadOffset ||
        frameIn.size() < kPayloadOffset + static_cast<size_t>(payloadLength)) {
        return {TranscodeError::Damaged, 0, {}};
    }
    if (!SizeWorkImage(buffers, imageBytes)) {
        return {TranscodeError::Damaged, 0, {}};
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
        return {TranscodeError::Damaged, 0, {}};
    }

    const PictureSize sourceSize{width, height};
    const CodecBuffer stream(frameIn.data(), payloadLength + kPayloadOffset);
    // The decoder hands its rows over a strip at a time, and each strip goes
    // straight to its place in the transformed picture: the picture is not
    // stored upright first.
    std::string libraryMessage;
    const CodecStatus decoded = Decode(stream, buffers.TransformedImage.data(), imageBytes, sourceSize,
                                       buffers.SourceQuantTables, mode, &libraryMessage);
    if (decoded != CodecStatus::Ok) {
        return {ToTranscodeError(decoded), 0, std::move(libraryMessage)};
    }

    const CodecBuffer pixels(buffers.TransformedImage.data(), static_cast<uint32_t>(imageBytes));
    const EncodeResult encoded =
        Encode(pixels, frameOut, TransformedSize(sourceSize, mode), buffers.SourceQuantTables, &libraryMessage);
    if (encoded.status != CodecStatus::Ok) {
        return {ToTranscodeError(encoded.status), 0, std::move(libraryMessage)};
    }
    if (encoded.length < kFrameHeadSize || frameOut.size() < encoded.length) {
        return {TranscodeError::Damaged, 0, {}};
    }

    // The new frame keeps the source's head in place of the encoder's SOI
    // and JFIF APP0, which are 20 bytes as well.
    if (keepHead)
        std::memcpy(frameOut.data(), head.data(), kFrameHeadSize);
    return {TranscodeError::None, encoded.length, {}};
}

}  // namespace kestrel::mjpeg
