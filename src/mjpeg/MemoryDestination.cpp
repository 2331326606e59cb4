#include "mjpeg/MemoryDestination.h"

#include <algorithm>
#include <new>
#include <stdexcept>
#include <type_traits>

namespace kestrel::mjpeg {

static_assert(std::is_standard_layout_v<MemoryDestination>);
static_assert(offsetof(MemoryDestination, pub) == 0);

namespace {

// The least room an empty vector is given before the first byte.
constexpr size_t kMinimumCapacity = 4096;
// The number the library prints in "Insufficient memory (case %d)" when the
// vector cannot grow.
constexpr int kGrowthFailedCase = 1001;

MemoryDestination& DestinationOf(j_compress_ptr cinfo) { return *reinterpret_cast<MemoryDestination*>(cinfo->dest); }

// Resizes the vector to `size` bytes and refreshes start and capacity.
// Catches the allocation failure so that no exception runs through the
// library's C frames.
bool Resize(MemoryDestination& destination, size_t size) noexcept
{
    try {
        destination.buffer->resize(size);
    } catch (const std::bad_alloc&) {
        return false;
    } catch (const std::length_error&) {
        return false;
    }
    destination.start = destination.buffer->data();
    destination.capacity = destination.buffer->size();
    return true;
}

void InitDestination(j_compress_ptr cinfo)
{
    MemoryDestination& destination = DestinationOf(cinfo);
    if (destination.capacity == 0 && !Resize(destination, kMinimumCapacity)) {
        ERREXIT1(cinfo, JERR_OUT_OF_MEMORY, kGrowthFailedCase);
    }
    destination.pub.next_output_byte = destination.start;
    destination.pub.free_in_buffer = destination.capacity;
}

// Called when the buffer has just become full: all `capacity` bytes hold
// frame data. A frame that ends exactly here keeps them all.
boolean EmptyOutputBuffer(j_compress_ptr cinfo)
{
    MemoryDestination& destination = DestinationOf(cinfo);
    const size_t used = destination.capacity;
    if (!Resize(destination, std::max(used * 2, kMinimumCapacity))) {
        ERREXIT1(cinfo, JERR_OUT_OF_MEMORY, kGrowthFailedCase);
    }
    destination.pub.next_output_byte = destination.start + used;
    destination.pub.free_in_buffer = destination.capacity - used;
    return TRUE;
}

void TermDestination(j_compress_ptr cinfo)
{
    MemoryDestination& destination = DestinationOf(cinfo);
    destination.bytesWritten = destination.capacity - destination.pub.free_in_buffer;
}

}  // namespace

void InstallMemoryDestination(j_compress_ptr cinfo, MemoryDestination& destination, std::vector<uint8_t>& out)
{
    destination.pub.next_output_byte = nullptr;
    destination.pub.free_in_buffer = 0;
    destination.pub.init_destination = InitDestination;
    destination.pub.empty_output_buffer = EmptyOutputBuffer;
    destination.pub.term_destination = TermDestination;
    destination.buffer = &out;
    destination.start = out.data();
    destination.capacity = out.size();
    destination.bytesWritten = 0;
    cinfo->dest = &destination.pub;
}

}  // namespace kestrel::mjpeg
