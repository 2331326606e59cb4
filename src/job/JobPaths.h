#pragma once

#include "base/Failure.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrel {

// The destination of a source file in an output directory: the directory,
// the separator and the source's file name. No separator is removed, so a
// directory that ends in one gives a doubled separator, which the file
// system reads as one. The directory must not be empty (see
// PrepareOutputDirectory).
std::string MakeDestinationPath(std::string_view outputDirectory, std::string_view source);

// Whether two paths name the same file: the same path (without regard to
// letter case only where file systems ignore it: Windows, macOS), or, when
// both exist, the same file by device and inode.
bool IsSameFile(std::string_view a, std::string_view b);

// Equality without regard to letter case (ASCII letters), as file lists use it.
bool EqualIgnoringCase(std::string_view a, std::string_view b);

// Whether `path` names something to convert, asked without opening it (a
// FIFO would block the open): Ok for a regular file (links followed); a
// missing or unreachable one fails as the open would (status 1 with the
// system's reason), anything else with what it is (status 33).
Status CheckSource(const std::string& path);

// Makes sure output can go to `directory`: an empty name is refused
// (status 30), a missing directory is created with its parents (status 31
// with the system's reason when that fails).
Status PrepareOutputDirectory(const std::string& directory);

// Two sources of one batch whose destinations in `outputDirectory` are the
// same file: the first pair found, by index.
struct DestinationClash {
    size_t first;
    size_t second;
};
std::optional<DestinationClash> FindDestinationClash(const std::vector<std::string>& sources,
                                                     std::string_view outputDirectory);

// Two files of a batch whose converted files would land on one another,
// by index: the destinations of `first` and `second` are the same file, or
// (`overwritesSource`) the destination of `first` is `second`, another
// source of the batch. Paths compare as the file system resolves them.
struct BatchOverlap {
    size_t first;
    size_t second;
    bool overwritesSource;
};
std::optional<BatchOverlap> FindBatchOverlap(const std::vector<std::string>& sources,
                                             const std::vector<std::string>& destinations);

// "clips/a/clip.avi and clips/b/clip.avi would both be written to out/clip.avi"
std::string DestinationClashMessage(std::string_view first, std::string_view second, std::string_view destination);

}  // namespace kestrel
