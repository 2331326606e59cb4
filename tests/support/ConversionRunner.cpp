#include "support/ConversionRunner.h"

#include "base/StatusCode.h"
#include "job/RunConversion.h"

#include <random>

namespace kestrel::test {

TempDir::TempDir()
{
    std::random_device random;
    path_ = std::filesystem::temp_directory_path() / ("kestrel-test-" + std::to_string(random()));
    std::filesystem::create_directories(path_);
}

TempDir::~TempDir()
{
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

Converted ConvertBytes(const Bytes& source, RotationMode mode, int32_t jobs, uint64_t riffSizeLimit)
{
    TempDir dir;
    Converted result;
    result.sourcePath = (dir / "in.avi").string();
    result.destinationPath = (dir / "out.avi").string();
    WriteFile(result.sourcePath, source);

    ConversionStatus status;
    RunConversion(std::make_unique<ConversionJob>(
                      ConversionJob{result.sourcePath, result.destinationPath, mode, jobs, false, riffSizeLimit}),
                  status);
    result.succeeded = status.Succeeded();
    result.statusCode = status.Result.failure.code;
    result.statusDetail = status.Result.failure.detail;
    result.statusDetail2 = status.Result.failure.detail2;
    result.progress = status.ProgressPercent;
    result.framesConverted = status.FramesConverted;
    result.framesFromWorkers = status.Result.framesFromWorkers;
    result.framesByWalker = status.Result.framesByWalker;
    result.message = FormatFailure(status.Result.failure, result.sourcePath, result.destinationPath);
    result.warning = FormatFrameWarnings(status.Result.warnings, result.sourcePath);
    result.recordingEnd = FormatRecordingEnd(status.Result.recordingEnd, result.sourcePath);
    result.destinationExists = std::filesystem::exists(result.destinationPath);
    if (result.destinationExists)
        result.output = ReadFile(result.destinationPath);
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.path()))
        ++result.filesLeft;
    return result;
}

}  // namespace kestrel::test
