#pragma once

#include <cstdint>
#include <string>

namespace kestrel::ui {

// The video frames an AVI file announces in its headers: the OpenDML total
// ('dmlh') when there is one, else the main header's count. 0 when the file
// cannot be read or announces none. Only the header list is read, so a
// batch weighs its files before it starts.
uint32_t HeaderFrameCount(const std::string& path);

}  // namespace kestrel::ui
