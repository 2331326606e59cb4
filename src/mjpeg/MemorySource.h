#pragma once

#include "mjpeg/CodecBuffer.h"
#include "mjpeg/LibJpeg.h"

namespace kestrel::mjpeg {

// A source manager over one compressed frame in memory. The first request
// for data hands the whole frame to the library in one piece; a request after
// that (the frame ended before its EOI marker) gets a fake EOI marker and a
// warning, as the library's own file source does, so decoding always ends
// inside the frame.
struct MemorySource {
    jpeg_source_mgr pub;  // first member: the library sees only this part
    const uint8_t* data;
    uint32_t length;
    bool handedOver;  // the frame has been given to the library
};

// Sets up `source` over `frame` and installs it on the decompressor.
void InstallMemorySource(j_decompress_ptr cinfo, MemorySource& source, const CodecBuffer& frame);

}  // namespace kestrel::mjpeg
