#pragma once

#include <cstdint>
#include <string>

namespace kestrel::ui {

// The video frames an AVI file announces in its headers, as the avi layer's
// frame reader reads them; 0 when the file cannot be read or announces none.
// Only the header list is read, so a batch weighs its files before it starts.
uint32_t HeaderFrameCount(const std::string& path);

}  // namespace kestrel::ui
