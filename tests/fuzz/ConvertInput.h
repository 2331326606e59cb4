#pragma once

#include "base/ConversionStatus.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>

namespace kestrel::fuzz {

// One fuzz input through the whole conversion: its first byte picks the
// transform (and, with its top bit set, a RIFF size limit of a few KiB),
// the rest is the AVI file, written to `work`/in.avi and
// converted to `work`/out.avi; both are removed afterwards.
ConversionResult ConvertInput(const uint8_t* data, size_t size, const std::filesystem::path& work);

}  // namespace kestrel::fuzz
