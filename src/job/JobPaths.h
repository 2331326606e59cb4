#pragma once

#include <string>
#include <string_view>

namespace kestrel {

// The destination of a source file in an output directory: the directory,
// the separator and the source's file name. No separator is removed, so a
// directory that ends in one gives a doubled separator, which the file
// system reads as one.
std::string MakeDestinationPath(std::string_view outputDirectory, std::string_view source);

// Whether two paths name the same file: equal without regard to letter case,
// or, when both exist, the same file by device and inode.
bool IsSameFile(std::string_view a, std::string_view b);

// Equality without regard to letter case (ASCII letters), as file lists use it.
bool EqualIgnoringCase(std::string_view a, std::string_view b);

}  // namespace kestrel
