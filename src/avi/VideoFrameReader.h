#pragma once

#include "avi/ChunkStream.h"
#include "avi/FrameScan.h"
#include "mjpeg/PictureSize.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kestrel::avi {

// Reads the video frames of an AVI file without converting it, by the rules
// the conversion follows: the first video stream, its format checked by
// ReadVideoFormat, and its frames found by FrameScanner in the 'movi' list of
// every RIFF chunk, in file order. For the window's preview and anything
// else that looks at frames; it tolerates what a preview may (a file cut
// short ends its last list early) and leaves refusals to the conversion.
class VideoFrameReader {
public:
    enum class Error {
        None,
        CannotOpen,  // the file cannot be opened for reading
        NotAvi,      // not a RIFF 'AVI ' file
        NotMjpeg,    // no video stream, or one that is not 24-bit Motion-JPEG of a usable size
    };

    VideoFrameReader() = default;
    VideoFrameReader(const VideoFrameReader&) = delete;
    VideoFrameReader& operator=(const VideoFrameReader&) = delete;

    // Opens `path` and reads its header list.
    Error Open(const std::string& path);

    mjpeg::PictureSize FrameSize() const { return frameSize_; }
    // The frames the header announces: 'dmlh' for a file of several RIFF
    // chunks, otherwise the main header's count.
    uint32_t AnnouncedFrames() const { return announcedFrames_; }

    // The next frame with data, in file order; nothing after the last.
    std::optional<FrameSpan> NextFrame();
    // Reads a frame's data into `payload`; false when the file does not
    // hold it all or it is larger than `maximumSize`.
    bool ReadFrame(const FrameSpan& frame, std::vector<uint8_t>& payload, uint32_t maximumSize);

private:
    struct Span {
        uint64_t begin;
        uint64_t end;
    };
    // The children of the list whose data lies in `list`, each as (id, data span, list type).
    template <typename Visit> void ForEachChild(Span list, Visit&& visit);
    void ReadHeaderList(Span hdrl);
    std::optional<Span> NextMovi();

    ChunkStream file_;
    mjpeg::PictureSize frameSize_;
    uint32_t announcedFrames_ = 0;
    std::optional<int32_t> videoStream_;
    bool haveFormat_ = false;

    uint64_t nextRiff_ = 0;         // where the next RIFF chunk may start
    std::optional<Span> riffRest_;  // the RIFF chunk being read: what follows its last 'movi'
    std::optional<FrameScanner> scanner_;
};

}  // namespace kestrel::avi
