#include "mjpeg/FrameLimits.h"

namespace kestrel::mjpeg {
namespace {

constexpr uint64_t kSamplesPerBlock = 64;

uint64_t Blocks(j_decompress_ptr cinfo)
{
    uint64_t blocks = 0;
    for (int ci = 0; ci < cinfo->num_components; ++ci)
        blocks += uint64_t{cinfo->comp_info[ci].width_in_blocks} * cinfo->comp_info[ci].height_in_blocks;
    return blocks;
}

}  // namespace

uint64_t LargestFrameMemory(PictureSize size)
{
    constexpr uint64_t kComponents = 3;
    const auto across = (uint64_t(size.width) + 7) / 8;
    const auto down = (uint64_t(size.height) + 7) / 8;
    return across * down * kComponents * kSamplesPerBlock * kBytesPerSample;
}

CodecStatus CheckFrameLimits(j_decompress_ptr cinfo, size_t frameBytes, const FrameLimits& limits)
{
    if (cinfo->progressive_mode || cinfo->arith_code)
        return CodecStatus::NotBaseline;
    // jpeg_read_header has laid out the components: their blocks are known.
    const uint64_t blocks = Blocks(cinfo);
    if (blocks > kBlocksWithoutBytes && blocks / kBlocksPerByte > frameBytes)
        return CodecStatus::TooFewBytes;
    if (blocks * kSamplesPerBlock * kBytesPerSample > limits.memoryBytes)
        return CodecStatus::TooLarge;
    return CodecStatus::Ok;
}

}  // namespace kestrel::mjpeg
