#include "job/FileSystem.h"

#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <vector>

namespace kestrel {
namespace {

// The folder holding `path`, "." for a bare name.
std::string FolderOf(const std::string& path)
{
    const std::string folder = std::filesystem::path(path).parent_path().string();
    return folder.empty() ? "." : folder;
}

// Closes `fd` when it leaves scope.
class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) { }
    ~Descriptor()
    {
        if (fd_ >= 0)
            close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

}  // namespace

Status SyncFile(const std::string& path, int32_t code)
{
    const Descriptor file(open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
    if (file.get() < 0 || fsync(file.get()) != 0)
        return Status::FailSystem(code, errno);
    return {};
}

Status SyncFolderOf(const std::string& path, int32_t code)
{
    const Descriptor folder(open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.get() < 0)
        return Status::FailSystem(code, errno);
    if (fsync(folder.get()) != 0 && errno != EINVAL)
        return Status::FailSystem(code, errno);
    return {};
}

Status CopyOwner(const std::string& model, const std::string& path, int32_t code)
{
    struct stat owner = {};
    if (stat(model.c_str(), &owner) != 0)
        return Status::FailSystem(code, errno);
    const Descriptor file(open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
    struct stat current = {};
    if (file.get() < 0 || fstat(file.get(), &current) != 0)
        return Status::FailSystem(code, errno);
    if (current.st_uid == owner.st_uid && current.st_gid == owner.st_gid)
        return {};
    if (fchown(file.get(), owner.st_uid, owner.st_gid) == 0)
        return {};
    if (errno != EPERM)
        return Status::FailSystem(code, errno);
    // Not root: the group alone, when the caller belongs to it.
    if (fchown(file.get(), static_cast<uid_t>(-1), owner.st_gid) != 0 && errno != EPERM)
        return Status::FailSystem(code, errno);
    return {};
}

Status ResolveLinks(const std::string& path, std::string& target, int32_t code)
{
    // As many links in a row as the system follows in one path.
    constexpr int kMostLinks = 40;
    std::string current = path;
    for (int links = 0;; ++links) {
        struct stat kind = {};
        if (lstat(current.c_str(), &kind) != 0 && errno != ENOENT)
            return Status::FailSystem(code, errno);
        // No file (or a dangling link's target): the conversion says why.
        if (!S_ISLNK(kind.st_mode))
            break;
        if (links == kMostLinks)
            return Status::FailSystem(code, ELOOP);
        std::vector<char> text(static_cast<size_t>(kind.st_size > 0 ? kind.st_size : PATH_MAX) + 1);
        const ssize_t length = readlink(current.c_str(), text.data(), text.size());
        if (length < 0)
            return Status::FailSystem(code, errno);
        if (static_cast<size_t>(length) >= text.size())
            return Status::FailSystem(code, ENAMETOOLONG);
        const std::filesystem::path link(std::string(text.data(), static_cast<size_t>(length)));
        current = link.is_absolute() ? link.string() : (std::filesystem::path(current).parent_path() / link).string();
    }
    target = current;
    return {};
}

uint64_t HardLinkCount(const std::string& path)
{
    struct stat file = {};
    return stat(path.c_str(), &file) == 0 ? static_cast<uint64_t>(file.st_nlink) : 0;
}

size_t LongestNameBeside(const std::string& path)
{
    const long longest = pathconf(FolderOf(path).c_str(), _PC_NAME_MAX);
    return longest > 0 ? static_cast<size_t>(longest) : 255;
}

}  // namespace kestrel
