#pragma once

#include <cstdint>

namespace kestrel::mjpeg {

// A view of bytes handed to the codec: the compressed frame for Decode, the
// pixel buffer for Encode. It does not own the bytes.
struct CodecBuffer {
    uint8_t* data = nullptr;
    uint32_t length = 0;

    CodecBuffer() = default;
    CodecBuffer(uint8_t* bytes, uint32_t byteCount) : data(bytes), length(byteCount) { }
};

}  // namespace kestrel::mjpeg
