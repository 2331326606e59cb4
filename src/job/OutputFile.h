#pragma once

#include "base/Failure.h"

#include <string>

namespace kestrel {

class ChunkStream;

// The destination of one conversion, written safely: the bytes go to a
// temporary file beside the destination (same folder, so the same file
// system), created under a fresh hidden name that no user file can have;
// Commit renames it onto the destination once it is complete and closed.
// Until then, and whenever Commit is not reached, the destination keeps
// what it held, and the temporary file is removed. The temporary name fits
// wherever the destination's name does: a long name part is cut short.
class OutputFile {
public:
    explicit OutputFile(std::string destination) : destination_(std::move(destination)) { }
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Creates the temporary file and opens `stream` on it for writing.
    Status Create(ChunkStream& stream, uint32_t bufferCapacity);
    // Closes `stream` (its last bytes written), puts the temporary file on
    // the disk, renames it onto the destination and puts the folder's new
    // entry on the disk.
    Status Commit(ChunkStream& stream);

    const std::string& TemporaryPath() const { return temporary_; }

    // Commit gives the file the owner and group (where the system allows)
    // and the permission bits of `path`, the source of an in-place
    // conversion, before the rename.
    void TakeOwnerAndPermissionsOf(std::string path) { attributesOf_ = std::move(path); }

private:
    std::string destination_;
    std::string temporary_;
    std::string attributesOf_;
    bool committed_ = false;
};

}  // namespace kestrel
