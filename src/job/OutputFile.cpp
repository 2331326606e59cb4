#include "job/OutputFile.h"

#include "avi/ChunkStream.h"
#include "base/FilePath.h"
#include "base/StatusCode.h"
#include "job/PlatformFiles.h"

#include <cerrno>
#include <filesystem>
#include <random>

namespace kestrel {
namespace {

// ".clip.avi.kestrel-1a2b3c4d" beside "clip.avi".
std::string TemporaryName(const std::string& destination, uint32_t tag)
{
    const std::filesystem::path path = PathFromUtf8(destination);
    char suffix[24];
    std::snprintf(suffix, sizeof suffix, ".kestrel-%08x", tag);
    // Appended rather than "." + name: GCC 12 warns falsely (-Wrestrict) of the latter.
    std::string name = ".";
    name += Utf8FromPath(path.filename());
    name += suffix;
    return Utf8FromPath(path.parent_path() / PathFromUtf8(name));
}

Status SystemFailure(int32_t code, int error)
{
    Failure failure(code);
    failure.systemError = error;
    return failure;
}

}  // namespace

OutputFile::~OutputFile()
{
    if (!temporary_.empty() && !committed_) {
        std::error_code ignored;
        std::filesystem::remove(PathFromUtf8(temporary_), ignored);
    }
}

Status OutputFile::Create(ChunkStream& stream, uint32_t bufferCapacity)
{
    // A rename would put the file in the place of a directory's entry, a
    // device or a FIFO: only a regular file (or nothing) may be replaced.
    if (const PathKind existing = KindOfPath(destination_);
        existing != PathKind::Absent && existing != PathKind::RegularFile)
        return Status::Fail(status::kDestinationNotAFile);
    std::random_device random;
    // A name taken by another file (another conversion's) is tried again.
    for (int attempt = 0; attempt < 16; ++attempt) {
        const std::string candidate = TemporaryName(destination_, random());
        if (stream.Open(candidate, ChunkStream::Mode::CreateNew, bufferCapacity)) {
            temporary_ = candidate;
            return {};
        }
        if (errno != EEXIST)
            break;
    }
    return SystemFailure(status::kCantOpenDestination, errno);
}

Status OutputFile::Commit(ChunkStream& stream)
{
    if (!stream.Close())
        return stream.Result();
    std::error_code error;
    if (!permissionsOf_.empty()) {
        const auto permissions = std::filesystem::status(PathFromUtf8(permissionsOf_), error).permissions();
        if (!error)
            std::filesystem::permissions(PathFromUtf8(temporary_), permissions, error);
        if (error)
            return SystemFailure(status::kCantReplaceDestination, error.value());
    }
    error = RenameOnto(temporary_, destination_);
    if (error)
        return SystemFailure(status::kCantReplaceDestination, error.value());
    committed_ = true;
    return {};
}

}  // namespace kestrel
