#pragma once

// What one frame may cost, whatever its file claims. A frame's header names
// its picture's size; a few bytes can claim a 16384 x 16384 picture, whose
// decode takes seconds and gigabytes. The limits, checked once the header
// is read and before anything is allocated for the picture:
//
// - Baseline frames only. Cameras and capture cards write baseline
//   (sequential, Huffman-coded) frames; a progressive frame may hold any
//   number of scans, each a pass over the whole picture, and arithmetic
//   coding can code a huge picture in a few bytes.
// - Bytes in proportion to the picture. Every 8 x 8 block of a complete
//   baseline frame codes at least its DC difference and an end of block,
//   one bit each with the shortest codes there are, so a frame of B bytes
//   holds at most 4 B blocks. A frame that claims more is cut short or
//   damaged; pictures of up to kBlocksWithoutBytes blocks (all of 4K and
//   below) are decoded all the same, their missing part grey, as before.
// - Memory. Turning a frame takes about kBytesPerSample bytes per sample of
//   its picture; a frame that needs more than `memoryBytes` is refused.
//
// And a stop request ends a frame's decode or encode between two rows of
// blocks.

#include "mjpeg/CodecError.h"
#include "mjpeg/LibJpeg.h"
#include "mjpeg/PictureSize.h"

#include <atomic>
#include <cstddef>
#include <cstdint>

namespace kestrel::mjpeg {

// The memory one conversion lets its frames in flight use together, and one
// frame at most: a 7680 x 4320 4:2:2 picture needs about 400 MB.
inline constexpr uint64_t kFramesMemoryBudget = 448ull << 20;
// Bytes a frame takes per sample while it is turned: the source's
// coefficients and the turned ones (2 bytes each), the planes and their
// new frame.
inline constexpr uint64_t kBytesPerSample = 6;
// Blocks of 64 samples a frame may have whatever its length.
inline constexpr uint64_t kBlocksWithoutBytes = 1u << 18;
inline constexpr uint64_t kBlocksPerByte = 4;

struct FrameLimits {
    uint64_t memoryBytes = kFramesMemoryBudget;
    // Set by another thread to stop the frame; the codec call then returns
    // CodecStatus::Stopped.
    const std::atomic<bool>* stop = nullptr;

    bool operator==(const FrameLimits&) const = default;
};

// The memory a `size` picture needs at most (three full-resolution
// components), for planning the frames in flight.
uint64_t LargestFrameMemory(PictureSize size);

// Checks a frame of `frameBytes` bytes whose header `cinfo` has read against
// `limits`: Ok, NotBaseline, TooFewBytes or TooLarge. Runs below a codec
// call's setjmp.
CodecStatus CheckFrameLimits(j_decompress_ptr cinfo, size_t frameBytes, const FrameLimits& limits);

}  // namespace kestrel::mjpeg
