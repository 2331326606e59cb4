#pragma once

#include "mjpeg/LibJpeg.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kestrel::mjpeg {

// A destination manager that writes the compressed frame into a byte vector
// from its first byte. When the vector is full the library's next byte makes
// it grow (to twice its size); the vector keeps its size afterwards, so the
// next frame of the same size fits without a new allocation. Nothing is ever
// written beyond the vector's size.
struct MemoryDestination {
    jpeg_destination_mgr pub;  // first member: the library sees only this part
    std::vector<uint8_t>* buffer;
    uint8_t* start;       // buffer->data() as of the last growth
    size_t capacity;      // buffer->size() as of the last growth
    size_t bytesWritten;  // set by term_destination
};

// Sets up `destination` over `out` and installs it on the compressor.
void InstallMemoryDestination(j_compress_ptr cinfo, MemoryDestination& destination, std::vector<uint8_t>& out);

}  // namespace kestrel::mjpeg
