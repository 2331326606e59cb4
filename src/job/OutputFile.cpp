#include "job/OutputFile.h"

#include "avi/ChunkStream.h"
#include "base/StatusCode.h"

#include <cerrno>
#include <filesystem>
#include <random>

namespace kestrel {
namespace {

// ".clip.avi.kestrel-1a2b3c4d" beside "clip.avi".
std::string TemporaryName(const std::string& destination, uint32_t tag)
{
    const std::filesystem::path path(destination);
    char suffix[24];
    std::snprintf(suffix, sizeof suffix, ".kestrel-%08x", tag);
    // Appended rather than "." + name: GCC 12 warns falsely (-Wrestrict) of the latter.
    std::string name = ".";
    name += path.filename().string();
    name += suffix;
    return (path.parent_path() / name).string();
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
        std::filesystem::remove(temporary_, ignored);
    }
}

Status OutputFile::Create(ChunkStream& stream, uint32_t bufferCapacity)
{
    // A rename would put the file in the place of a directory's entry, a
    // device or a FIFO: only a regular file (or nothing) may be replaced.
    std::error_code error;
    const auto existing = std::filesystem::status(destination_, error);
    if (!error && std::filesystem::exists(existing) && !std::filesystem::is_regular_file(existing))
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
        const auto permissions = std::filesystem::status(permissionsOf_, error).permissions();
        if (!error)
            std::filesystem::permissions(temporary_, permissions, error);
        if (error)
            return SystemFailure(status::kCantReplaceDestination, error.value());
    }
    std::filesystem::rename(temporary_, destination_, error);
    if (error)
        return SystemFailure(status::kCantReplaceDestination, error.value());
    committed_ = true;
    return {};
}

}  // namespace kestrel
