#pragma once

#include "avi/RiffWriter.h"
#include "base/ConversionStatus.h"
#include "base/Transform.h"
#include "support/RiffBuilder.h"

#include <filesystem>
#include <string>

namespace kestrel::test {

// A scratch directory, removed with everything in it when the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

// The outcome of converting a file built in memory.
struct Converted {
    bool succeeded = false;  // the conversion ended as Converted
    int32_t statusCode = 0;
    uint32_t statusDetail = 0;
    uint32_t statusDetail2 = 0;
    int32_t progress = 0;
    int32_t framesConverted = 0;
    uint32_t framesFromWorkers = 0;  // transcoded ahead by the frame pipeline
    uint32_t framesByWalker = 0;     // transcoded by the walker itself
    std::string message;             // FormatFailure for the source and destination paths below
    std::string warning;             // FormatFrameWarnings for the source path, empty when none
    std::string recordingEnd;        // FormatRecordingEnd for the source path, empty when none
    std::string sourcePath;
    std::string destinationPath;
    Bytes output;  // the destination file's bytes
    bool destinationExists = false;
    size_t filesLeft = 0;  // files in the directory afterwards, the source included
};

// Writes `source` to "in.avi" in a fresh directory and converts it to
// "out.avi" with `jobs` threads transcoding frames and RIFF chunks of at
// most about `riffSizeLimit` bytes.
Converted ConvertBytes(const Bytes& source, RotationMode mode = RotationMode::Anticlockwise90, int32_t jobs = 1,
                       uint64_t riffSizeLimit = RiffWriter::kDefaultSizeLimit);

}  // namespace kestrel::test
