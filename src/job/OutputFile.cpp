#include "job/OutputFile.h"

#include "avi/ChunkStream.h"
#include "base/FilePath.h"
#include "base/StatusCode.h"
#include "job/FileSystem.h"
#include "job/PlatformFiles.h"

#include <cerrno>
#include <filesystem>
#include <random>

namespace kestrel {
namespace {

// ".clip.avi.kestrel-1a2b3c4d" beside "clip.avi"; the name part is cut
// short (at a character's start) so that the whole stays within `longest` bytes.
std::string TemporaryName(const std::string& destination, uint32_t tag, size_t longest)
{
    const std::filesystem::path path = PathFromUtf8(destination);
    char suffix[24];
    const int suffixLength = std::snprintf(suffix, sizeof suffix, ".kestrel-%08x", tag);
    std::string stem = Utf8FromPath(path.filename());
    const size_t room = longest > size_t(suffixLength) + 1 ? longest - size_t(suffixLength) - 1 : 0;
    if (stem.size() > room) {
        size_t cut = room;
        while (cut > 0 && (static_cast<unsigned char>(stem[cut]) & 0xC0) == 0x80)
            --cut;
        stem.resize(cut);
    }
    // Appended rather than "." + name: GCC 12 warns falsely (-Wrestrict) of the latter.
    std::string name = ".";
    name += stem;
    name += suffix;
    return Utf8FromPath(path.parent_path() / PathFromUtf8(name));
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
    // A destination name too long for its folder fails here, naming it,
    // rather than at the rename after the whole conversion.
    const size_t longest = LongestNameBeside(destination_);
    if (Utf8FromPath(PathFromUtf8(destination_).filename()).size() > longest)
        return Status::FailSystem(status::kCantOpenDestination, ENAMETOOLONG);
    std::random_device random;
    // A name taken by another file (another conversion's) is tried again.
    for (int attempt = 0; attempt < 16; ++attempt) {
        const std::string candidate = TemporaryName(destination_, random(), longest);
        if (stream.Open(candidate, ChunkStream::Mode::CreateNew, bufferCapacity)) {
            temporary_ = candidate;
            return {};
        }
        if (errno != EEXIST)
            break;
    }
    return Status::FailSystem(status::kCantOpenDestination, errno);
}

Status OutputFile::Commit(ChunkStream& stream)
{
    if (!stream.Close())
        return stream.Result();
    // On the disk before it takes the destination's name: a crash after
    // the rename never leaves a short file there.
    if (Status synced = SyncFile(temporary_, status::kWriteError); !synced.Ok())
        return synced;
    std::error_code error;
    if (!attributesOf_.empty()) {
        // The owner first: a change of owner clears the set-user-ID bits.
        if (Status owned = CopyOwner(attributesOf_, temporary_, status::kCantReplaceDestination); !owned.Ok())
            return owned;
        const auto permissions = std::filesystem::status(PathFromUtf8(attributesOf_), error).permissions();
        if (!error)
            std::filesystem::permissions(PathFromUtf8(temporary_), permissions, error);
        if (error)
            return Status::FailSystem(status::kCantReplaceDestination, error.value());
    }
    error = RenameOnto(temporary_, destination_);
    if (error)
        return Status::FailSystem(status::kCantReplaceDestination, error.value());
    committed_ = true;
    return SyncFolderOf(destination_, status::kWriteError);
}

}  // namespace kestrel
