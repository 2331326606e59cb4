#include "fuzz/ConvertInput.h"

#include "base/Transform.h"
#include "job/RunConversion.h"

#include <fstream>
#include <memory>

namespace kestrel::fuzz {

ConversionResult ConvertInput(const uint8_t* data, size_t size, const std::filesystem::path& work)
{
    const RotationMode mode = size > 0 ? kTransforms[data[0] % kTransforms.size()].mode : RotationMode::Clockwise90;
    const std::filesystem::path source = work / "in.avi";
    const std::filesystem::path destination = work / "out.avi";
    {
        std::ofstream file(source, std::ios::binary | std::ios::trunc);
        if (size > 1)
            file.write(reinterpret_cast<const char*>(data + 1), static_cast<std::streamsize>(size - 1));
    }
    // With its top bit set, the first byte also gives a RIFF size limit of
    // 2, 4, 8 or 16 KiB, so that small inputs are written as OpenDML files.
    auto job = std::make_unique<ConversionJob>(ConversionJob{source.string(), destination.string(), mode});
    if (size > 0 && (data[0] & 0x80))
        job->riffSizeLimit = uint64_t{2048} << ((data[0] >> 5) & 3);
    ConversionStatus status;
    RunConversion(std::move(job), status);
    std::error_code ignored;
    std::filesystem::remove(source, ignored);
    std::filesystem::remove(destination, ignored);
    return status.Result;
}

}  // namespace kestrel::fuzz
