#pragma once

// The first video frame of an AVI file, for the window's preview: found by
// the avi layer's frame reader, by the conversion's own rules, then decoded by the same Motion-JPEG
// decoder and pixel transforms as the conversion, so that the preview shows
// what the conversion will write.

#include "avi/VideoFrameReader.h"
#include "base/Transform.h"
#include "mjpeg/FrameLimits.h"
#include "mjpeg/PictureSize.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kestrel::ui {

enum class FirstFrameError {
    None,
    CannotOpen,   // the file cannot be opened for reading
    NotAFile,     // a FIFO, a device, a socket or a folder: never opened
    NotAvi,       // not a RIFF 'AVI ' file
    NotMjpeg,     // no video stream, or one that is not 24-bit Motion-JPEG of a usable size
    NoFrame,      // no non-empty video frame in the file
    NotBaseline,  // a progressive or arithmetic-coded frame, which the conversion refuses
    Damaged,      // the frame is not a JPEG stream, or the decoder gave up on it (or was stopped)
};

// A compressed frame as the decoder takes it: the frame's SOI, the standard
// Huffman tables (which the frame's own tables, if any, override), then the
// rest of the frame.
struct CompressedFrame {
    FirstFrameError error = FirstFrameError::None;
    mjpeg::PictureSize size;  // the video stream's frame size
    std::vector<uint8_t> stream;
};

// A decoded picture: Y Cb Cr, 3 bytes a pixel, top row first.
struct FramePicture {
    FirstFrameError error = FirstFrameError::None;
    mjpeg::PictureSize size;
    std::vector<uint8_t> pixels;
};

// A frame chunk larger than this is taken for damage rather than read.
inline constexpr uint32_t kMaxFrameBytes = 64u << 20;

// Opens `path` in `reader` once it is known to be a regular file (PathKind),
// so that a FIFO put in a listed file's place blocks nothing; what a failure
// means to the preview. The window reads files only through this.
FirstFrameError OpenFrameReader(avi::VideoFrameReader& reader, const std::string& path);

// A frame's payload as the decoder takes it: its SOI, the standard Huffman
// tables, then the rest of the frame; Damaged when it does not start with SOI.
CompressedFrame DecodableFrame(const uint8_t* frame, size_t length, mjpeg::PictureSize size);

// Reads the first non-empty frame of the video stream: the first "##dc"
// chunk, or "##db" chunk of the video stream, in 'movi' (or a 'rec ' list
// within it).
CompressedFrame ReadFirstFrame(const std::string& path);

// Decodes `frame` as it is or, with `transform`, as the conversion turns it,
// within the conversion's frame limits; `limits.stop` ends the decode
// between two rows of blocks.
FramePicture DecodeFrame(const CompressedFrame& frame, std::optional<RotationMode> transform = std::nullopt,
                         const mjpeg::FrameLimits& limits = {});

// A sentence for the preview: "This file is not an AVI file." and the like.
std::string FirstFrameErrorText(FirstFrameError error);

}  // namespace kestrel::ui
