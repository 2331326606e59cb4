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
// what it held, and the temporary file is removed.
class OutputFile {
public:
    explicit OutputFile(std::string destination) : destination_(std::move(destination)) { }
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Creates the temporary file and opens `stream` on it for writing.
    Status Create(ChunkStream& stream, uint32_t bufferCapacity);
    // Closes `stream` (its last bytes written) and renames the temporary
    // file onto the destination.
    Status Commit(ChunkStream& stream);

    const std::string& TemporaryPath() const { return temporary_; }

    // Commit gives the file the permission bits of `path` (the source of an
    // in-place conversion) before the rename.
    void TakePermissionsOf(std::string path) { permissionsOf_ = std::move(path); }

private:
    std::string destination_;
    std::string temporary_;
    std::string permissionsOf_;
    bool committed_ = false;
};

}  // namespace kestrel
