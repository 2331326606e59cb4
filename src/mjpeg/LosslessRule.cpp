#include "mjpeg/LosslessRule.h"

#include "mjpeg/PlaneFit.h"
#include "mjpeg/PlaneTransform.h"
#include "mjpeg/SamplePlane.h"

#include <cstdint>

namespace kestrel::mjpeg {

namespace {

// Whether `length` picture samples at density factor / maxFactor are a whole
// number of blocks of the component.
bool WholeBlocks(int32_t length, int factor, int maxFactor)
{
    return static_cast<int64_t>(length) * factor % (static_cast<int64_t>(maxFactor) * kBlockSize) == 0;
}

}  // namespace

bool MovesAsCoefficients(PictureSize source, ComponentSampling sampling, int outputComponent, RotationMode mode)
{
    if (sampling.horizontal <= 0 || sampling.vertical <= 0 || sampling.maxHorizontal <= 0 ||
        sampling.maxVertical <= 0) {
        return false;
    }
    // The density along each output axis: the quarter turns bring the
    // source's vertical sampling across.
    const bool swaps = SwapsDimensions(mode);
    const int across = swaps ? sampling.vertical : sampling.horizontal;
    const int maxAcross = swaps ? sampling.maxVertical : sampling.maxHorizontal;
    const int down = swaps ? sampling.horizontal : sampling.vertical;
    const int maxDown = swaps ? sampling.maxHorizontal : sampling.maxVertical;
    static_assert(kOutputMaxVertical == 1);
    const bool outputDensity =
        across * kOutputMaxHorizontal == OutputHorizontalFactor(outputComponent) * maxAcross && down == maxDown;
    if (!outputDensity)
        return false;

    // The source axes the transform reverses.
    const bool reversesSourceColumns =
        mode == RotationMode::MirrorX || mode == RotationMode::Rotate180 || mode == RotationMode::Anticlockwise90;
    const bool reversesSourceRows =
        mode == RotationMode::MirrorY || mode == RotationMode::Rotate180 || mode == RotationMode::Clockwise90;
    if (reversesSourceColumns && !WholeBlocks(source.width, sampling.horizontal, sampling.maxHorizontal))
        return false;
    if (reversesSourceRows && !WholeBlocks(source.height, sampling.vertical, sampling.maxVertical))
        return false;
    return true;
}

}  // namespace kestrel::mjpeg
