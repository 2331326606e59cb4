#include "ui/FirstFrame.h"

#include "avi/AviLayout.h"
#include "mjpeg/CodecBuffer.h"
#include "mjpeg/JpegCodec.h"
#include "mjpeg/SamplePlane.h"
#include "mjpeg/SourceQuantTables.h"
#include "mjpeg/StandardDht.h"

#include <algorithm>
#include <fstream>
#include <limits>

namespace kestrel::ui {
namespace {

// RIFF header: "RIFF", the size of what follows, the form type.
constexpr uint32_t kRiffHeaderSize = 12;
// Lists nest hdrl > strl and movi > rec; nothing deeper is looked at.
constexpr int kMaxListDepth = 4;
// A frame chunk larger than this is taken for damage rather than read.
constexpr uint32_t kMaxFrameBytes = 64u << 20;
// Pictures beyond this many bytes decoded are not previewed.
constexpr uint64_t kMaxPictureBytes = 256u << 20;
// The largest picture side the JPEG library takes.
constexpr int32_t kMaxDimension = 65500;
constexpr uint16_t kVideoBitCount = 24;
constexpr uint8_t kSoiBytes[] = {0xFF, 0xD8};

// Two ASCII digits, the stream number in front of a data chunk's suffix.
std::optional<int> StreamNumberOf(FourCC id)
{
    const int tens = int(id & 0xFF) - '0';
    const int units = int((id >> 8) & 0xFF) - '0';
    if (tens < 0 || tens > 9 || units < 0 || units > 9)
        return std::nullopt;
    return tens * 10 + units;
}

// One walk through the chunks of a file, up to its first video frame.
class FrameFinder {
public:
    explicit FrameFinder(const std::string& path) : file_(path, std::ios::binary) { }

    CompressedFrame Find()
    {
        if (!file_) {
            result_.error = FirstFrameError::CannotOpen;
            return std::move(result_);
        }
        file_.seekg(0, std::ios::end);
        fileSize_ = static_cast<uint64_t>(std::max<std::streamoff>(0, file_.tellg()));
        uint8_t header[kRiffHeaderSize];
        if (!ReadAt(0, header, sizeof header) || ReadLe32(header) != avi::kRiff ||
            ReadLe32(header + avi::kChunkHeaderSize) != avi::kAviForm) {
            result_.error = FirstFrameError::NotAvi;
            return std::move(result_);
        }
        const uint64_t riffEnd = std::min<uint64_t>(fileSize_, avi::kChunkHeaderSize + uint64_t(ReadLe32(header + 4)));
        Walk(kRiffHeaderSize, riffEnd, avi::kAviForm, 0);
        if (!done_)
            result_.error = haveFormat_ ? FirstFrameError::NoFrame : FirstFrameError::NotMjpeg;
        return std::move(result_);
    }

private:
    bool ReadAt(uint64_t position, uint8_t* bytes, size_t count)
    {
        if (position + count > fileSize_)
            return false;
        file_.clear();
        file_.seekg(static_cast<std::streamoff>(position));
        file_.read(reinterpret_cast<char*>(bytes), static_cast<std::streamsize>(count));
        return bool(file_);
    }

    void Fail(FirstFrameError error)
    {
        result_.error = error;
        done_ = true;
    }

    // The chunks from `begin` to `end`, the data of a list of type `listType`.
    void Walk(uint64_t begin, uint64_t end, FourCC listType, int depth)
    {
        for (uint64_t at = begin; !done_ && at + avi::kChunkHeaderSize <= end;) {
            uint8_t header[avi::kChunkHeaderSize];
            if (!ReadAt(at, header, sizeof header))
                return;
            const FourCC id = ReadLe32(header);
            const uint32_t size = ReadLe32(header + 4);
            const uint64_t data = at + avi::kChunkHeaderSize;
            // A file cut short ends its last list early.
            const uint64_t dataEnd = std::min(end, data + size);
            if (id == avi::kList)
                EnterList(data, dataEnd, depth);
            else
                Chunk(id, data, dataEnd, listType);
            at = data + size + (size & 1);
        }
    }

    void EnterList(uint64_t data, uint64_t dataEnd, int depth)
    {
        uint8_t type[avi::kListTypeSize];
        if (depth >= kMaxListDepth || !ReadAt(data, type, sizeof type))
            return;
        const FourCC listType = ReadLe32(type);
        if (listType == avi::kStrl)
            stream_ = streamCount_++;
        if (listType == avi::kHdrl || listType == avi::kStrl || listType == avi::kMovi || listType == avi::kRec)
            Walk(data + avi::kListTypeSize, dataEnd, listType, depth + 1);
    }

    void Chunk(FourCC id, uint64_t data, uint64_t dataEnd, FourCC listType)
    {
        if (listType == avi::kStrl && id == avi::kStrh) {
            uint8_t type[4];
            if (ReadAt(data + avi::strh::kType, type, sizeof type) && ReadLe32(type) == avi::kVids && !videoStream_)
                videoStream_ = stream_;
        } else if (listType == avi::kStrl && id == avi::kStrf && videoStream_ == stream_ && !haveFormat_) {
            Format(data, dataEnd);
        } else if (listType == avi::kMovi || listType == avi::kRec) {
            const uint16_t suffix = FourCCSuffix(id);
            const bool frame =
                suffix == avi::kSuffixCompressedVideo ||
                (suffix == avi::kSuffixUncompressedVideo && videoStream_ && StreamNumberOf(id) == videoStream_);
            if (frame && dataEnd > data)
                Frame(data, dataEnd);
        }
    }

    void Format(uint64_t data, uint64_t dataEnd)
    {
        uint8_t format[avi::strf::kSize];
        if (dataEnd - data < sizeof format || !ReadAt(data, format, sizeof format))
            return Fail(FirstFrameError::NotMjpeg);
        const auto width = static_cast<int32_t>(ReadLe32(format + avi::strf::kWidth));
        const auto height = static_cast<int32_t>(ReadLe32(format + avi::strf::kHeight));
        if (!avi::IsMjpeg(ReadLe32(format + avi::strf::kCompression)) ||
            ReadLe16(format + avi::strf::kBitCount) != kVideoBitCount || width <= 0 || height <= 0 ||
            width > kMaxDimension || height > kMaxDimension)
            return Fail(FirstFrameError::NotMjpeg);
        result_.size = {width, height};
        haveFormat_ = true;
    }

    void Frame(uint64_t data, uint64_t dataEnd)
    {
        if (!haveFormat_)
            return Fail(FirstFrameError::NotMjpeg);
        const uint64_t length = dataEnd - data;
        uint8_t soi[sizeof kSoiBytes];
        if (length <= sizeof soi || length > kMaxFrameBytes || !ReadAt(data, soi, sizeof soi) ||
            !std::equal(std::begin(soi), std::end(soi), std::begin(kSoiBytes)))
            return Fail(FirstFrameError::Damaged);
        std::vector<uint8_t>& stream = result_.stream;
        stream.assign(std::begin(kSoiBytes), std::end(kSoiBytes));
        stream.insert(stream.end(), mjpeg::StandardDhtSegment.begin(), mjpeg::StandardDhtSegment.end());
        const size_t head = stream.size();
        stream.resize(head + length - sizeof soi);
        if (!ReadAt(data + sizeof soi, stream.data() + head, length - sizeof soi))
            return Fail(FirstFrameError::Damaged);
        done_ = true;
    }

    std::ifstream file_;
    uint64_t fileSize_ = 0;
    CompressedFrame result_;
    bool done_ = false;
    int streamCount_ = 0;
    int stream_ = -1;  // the stream whose strl is being read
    std::optional<int> videoStream_;
    bool haveFormat_ = false;
};

}  // namespace

CompressedFrame ReadFirstFrame(const std::string& path) { return FrameFinder(path).Find(); }

FramePicture DecodeFrame(const CompressedFrame& frame, std::optional<RotationMode> transform)
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
    if (mjpeg::DecodePlanes(stream, frame.size, tables, image, transform) != mjpeg::CodecStatus::Ok) {
        picture.error = FirstFrameError::Damaged;
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
    case FirstFrameError::NotAvi: return "This file is not an AVI file.";
    case FirstFrameError::NotMjpeg: return "This file has no 24-bit Motion-JPEG video.";
    case FirstFrameError::NoFrame: return "This file holds no video frame.";
    case FirstFrameError::Damaged: return "The first frame of this file cannot be decoded.";
    }
    return {};
}

}  // namespace kestrel::ui
