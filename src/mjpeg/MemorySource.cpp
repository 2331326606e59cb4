#include "mjpeg/MemorySource.h"

#include <cstddef>
#include <type_traits>

namespace kestrel::mjpeg {

static_assert(std::is_standard_layout_v<MemorySource>);
static_assert(offsetof(MemorySource, pub) == 0);

namespace {

// What a frame that stops short of its end is given instead of more data.
constexpr JOCTET kFakeEoi[2] = {0xFF, JPEG_EOI};

MemorySource& SourceOf(j_decompress_ptr cinfo) { return *reinterpret_cast<MemorySource*>(cinfo->src); }

void InitSource(j_decompress_ptr) { }

boolean FillInputBuffer(j_decompress_ptr cinfo)
{
    MemorySource& source = SourceOf(cinfo);
    if (!source.handedOver) {
        source.handedOver = true;
        source.pub.next_input_byte = source.data;
        source.pub.bytes_in_buffer = source.length;
        return TRUE;
    }
    WARNMS(cinfo, JWRN_JPEG_EOF);
    source.pub.next_input_byte = kFakeEoi;
    source.pub.bytes_in_buffer = sizeof(kFakeEoi);
    return TRUE;
}

void SkipInputData(j_decompress_ptr cinfo, long byteCount)
{
    if (byteCount <= 0) {
        return;
    }
    jpeg_source_mgr& pub = SourceOf(cinfo).pub;
    const auto skip = static_cast<size_t>(byteCount);
    if (skip > pub.bytes_in_buffer) {
        // Stop at the end; the next request for data gets the fake EOI.
        pub.next_input_byte += pub.bytes_in_buffer;
        pub.bytes_in_buffer = 0;
        return;
    }
    pub.next_input_byte += skip;
    pub.bytes_in_buffer -= skip;
}

void TermSource(j_decompress_ptr) { }

}  // namespace

void InstallMemorySource(j_decompress_ptr cinfo, MemorySource& source, const CodecBuffer& frame)
{
    source.pub.next_input_byte = nullptr;
    source.pub.bytes_in_buffer = 0;
    source.pub.init_source = InitSource;
    source.pub.fill_input_buffer = FillInputBuffer;
    source.pub.skip_input_data = SkipInputData;
    source.pub.resync_to_restart = jpeg_resync_to_restart;
    source.pub.term_source = TermSource;
    source.data = frame.data;
    source.length = frame.length;
    source.handedOver = false;
    cinfo->src = &source.pub;
}

}  // namespace kestrel::mjpeg
