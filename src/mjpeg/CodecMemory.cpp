#include "mjpeg/CodecMemory.h"

#include "mjpeg/LibJpeg.h"

#include <algorithm>
#include <cstdlib>
#ifdef _WIN32
#include <malloc.h>
#endif
#include <cstring>
#include <new>
#include <type_traits>

// The library's virtual arrays are opaque to it outside its memory manager;
// under a CodecMemory they are these: always whole in memory.
struct jvirt_sarray_control {
    JSAMPARRAY rows;
    JDIMENSION rowCount;
    JDIMENSION samplesPerRow;
    JDIMENSION maxAccess;
    bool preZero;
    jvirt_sarray_control* next;
};

struct jvirt_barray_control {
    JBLOCKARRAY rows;
    JDIMENSION rowCount;
    JDIMENSION blocksPerRow;
    JDIMENSION maxAccess;
    bool preZero;
    jvirt_barray_control* next;
};

namespace kestrel::mjpeg {

namespace {

// Every allocation starts on a multiple of this, and sample rows are padded
// to it: the library's SIMD code reads and writes whole vectors, as its own
// manager allows.
constexpr size_t kAlignment = 64;
// A pool's main block is at least this large.
constexpr size_t kLeastBlock = 64 * 1024;

constexpr size_t Aligned(size_t bytes) { return (bytes + kAlignment - 1) / kAlignment * kAlignment; }

// std::aligned_alloc; the Windows C runtime has none, and its free can't
// release an aligned block: there its own pair.
uint8_t* AllocateAligned(size_t bytes)
{
#ifdef _WIN32
    return static_cast<uint8_t*>(_aligned_malloc(bytes, kAlignment));
#else
    return static_cast<uint8_t*>(std::aligned_alloc(kAlignment, bytes));
#endif
}

// The manager the library sees: its method table, then what the methods
// need. Lives in the library's own permanent pool of the object.
struct Manager {
    jpeg_memory_mgr pub;  // first member: the library sees only this part
    CodecMemory* memory;
    jpeg_memory_mgr* original;
    jvirt_sarray_control* sampleArrays;
    jvirt_barray_control* blockArrays;
};
static_assert(std::is_standard_layout_v<Manager>);

Manager& ManagerOf(j_common_ptr cinfo) { return *reinterpret_cast<Manager*>(cinfo->mem); }

void* Allocate(j_common_ptr cinfo, int poolId, size_t bytes)
{
    if (poolId < JPOOL_PERMANENT || poolId >= JPOOL_NUMPOOLS) {
        ERREXIT1(cinfo, JERR_BAD_POOL_ID, poolId);
    }
    void* memory = ManagerOf(cinfo).memory->PoolOf(poolId).Allocate(bytes);
    if (memory == nullptr) {
        ERREXIT1(cinfo, JERR_OUT_OF_MEMORY, poolId);
    }
    return memory;
}

void* AllocateSmall(j_common_ptr cinfo, int poolId, size_t bytes) { return Allocate(cinfo, poolId, bytes); }

void* AllocateLarge(j_common_ptr cinfo, int poolId, size_t bytes) { return Allocate(cinfo, poolId, bytes); }

JSAMPARRAY AllocateSampleRows(j_common_ptr cinfo, int poolId, JDIMENSION samplesPerRow, JDIMENSION rowCount)
{
    const size_t rowBytes = Aligned(samplesPerRow * sizeof(JSAMPLE));
    auto rows = static_cast<JSAMPARRAY>(Allocate(cinfo, poolId, rowCount * sizeof(JSAMPROW)));
    auto* samples = static_cast<JSAMPLE*>(Allocate(cinfo, poolId, rowBytes * rowCount));
    for (JDIMENSION r = 0; r < rowCount; ++r)
        rows[r] = samples + r * rowBytes;
    return rows;
}

JBLOCKARRAY AllocateBlockRows(j_common_ptr cinfo, int poolId, JDIMENSION blocksPerRow, JDIMENSION rowCount)
{
    auto rows = static_cast<JBLOCKARRAY>(Allocate(cinfo, poolId, rowCount * sizeof(JBLOCKROW)));
    auto* blocks = static_cast<JBLOCK*>(Allocate(cinfo, poolId, size_t{blocksPerRow} * rowCount * sizeof(JBLOCK)));
    for (JDIMENSION r = 0; r < rowCount; ++r)
        rows[r] = blocks + size_t{r} * blocksPerRow;
    return rows;
}

jvirt_sarray_ptr RequestSampleArray(j_common_ptr cinfo, int poolId, boolean preZero, JDIMENSION samplesPerRow,
                                    JDIMENSION rowCount, JDIMENSION maxAccess)
{
    if (poolId != JPOOL_IMAGE) {
        ERREXIT1(cinfo, JERR_BAD_POOL_ID, poolId);  // as the library's own manager
    }
    auto* array = static_cast<jvirt_sarray_control*>(Allocate(cinfo, poolId, sizeof(jvirt_sarray_control)));
    Manager& manager = ManagerOf(cinfo);
    *array = {nullptr, rowCount, samplesPerRow, maxAccess, preZero != FALSE, manager.sampleArrays};
    manager.sampleArrays = array;
    return array;
}

jvirt_barray_ptr RequestBlockArray(j_common_ptr cinfo, int poolId, boolean preZero, JDIMENSION blocksPerRow,
                                   JDIMENSION rowCount, JDIMENSION maxAccess)
{
    if (poolId != JPOOL_IMAGE) {
        ERREXIT1(cinfo, JERR_BAD_POOL_ID, poolId);
    }
    auto* array = static_cast<jvirt_barray_control*>(Allocate(cinfo, poolId, sizeof(jvirt_barray_control)));
    Manager& manager = ManagerOf(cinfo);
    *array = {nullptr, rowCount, blocksPerRow, maxAccess, preZero != FALSE, manager.blockArrays};
    manager.blockArrays = array;
    return array;
}

void RealizeArrays(j_common_ptr cinfo)
{
    Manager& manager = ManagerOf(cinfo);
    for (jvirt_sarray_control* array = manager.sampleArrays; array != nullptr; array = array->next) {
        if (array->rows != nullptr)
            continue;
        array->rows = AllocateSampleRows(cinfo, JPOOL_IMAGE, array->samplesPerRow, array->rowCount);
        if (array->preZero && array->rowCount > 0)
            std::memset(array->rows[0], 0, Aligned(array->samplesPerRow) * array->rowCount);
    }
    for (jvirt_barray_control* array = manager.blockArrays; array != nullptr; array = array->next) {
        if (array->rows != nullptr)
            continue;
        array->rows = AllocateBlockRows(cinfo, JPOOL_IMAGE, array->blocksPerRow, array->rowCount);
        if (array->preZero && array->rowCount > 0)
            std::memset(array->rows[0], 0, size_t{array->blocksPerRow} * array->rowCount * sizeof(JBLOCK));
    }
}

// The whole array is in memory: any rows within it and within the access
// limit the array was requested with.
JSAMPARRAY AccessSampleArray(j_common_ptr cinfo, jvirt_sarray_ptr array, JDIMENSION firstRow, JDIMENSION rowCount,
                             boolean)
{
    if (array->rows == nullptr || rowCount > array->maxAccess || firstRow > array->rowCount ||
        rowCount > array->rowCount - firstRow) {
        ERREXIT(cinfo, JERR_BAD_VIRTUAL_ACCESS);
    }
    return array->rows + firstRow;
}

JBLOCKARRAY AccessBlockArray(j_common_ptr cinfo, jvirt_barray_ptr array, JDIMENSION firstRow, JDIMENSION rowCount,
                             boolean)
{
    if (array->rows == nullptr || rowCount > array->maxAccess || firstRow > array->rowCount ||
        rowCount > array->rowCount - firstRow) {
        ERREXIT(cinfo, JERR_BAD_VIRTUAL_ACCESS);
    }
    return array->rows + firstRow;
}

void FreePool(j_common_ptr cinfo, int poolId)
{
    if (poolId < JPOOL_PERMANENT || poolId >= JPOOL_NUMPOOLS) {
        ERREXIT1(cinfo, JERR_BAD_POOL_ID, poolId);
    }
    Manager& manager = ManagerOf(cinfo);
    if (poolId == JPOOL_IMAGE) {
        manager.sampleArrays = nullptr;
        manager.blockArrays = nullptr;
    }
    manager.memory->PoolOf(poolId).Reset();
}

// Keeps the blocks, then lets the library's own manager free what it holds,
// this table among it.
void SelfDestruct(j_common_ptr cinfo)
{
    Manager& manager = ManagerOf(cinfo);
    for (int poolId = JPOOL_PERMANENT; poolId < JPOOL_NUMPOOLS; ++poolId)
        manager.memory->PoolOf(poolId).Reset();
    jpeg_memory_mgr* original = manager.original;
    cinfo->mem = original;
    (*original->self_destruct)(cinfo);
}

}  // namespace

void CodecMemory::Pool::Free::operator()(uint8_t* block) const
{
#ifdef _WIN32
    _aligned_free(block);
#else
    std::free(block);
#endif
}

void* CodecMemory::Pool::Allocate(size_t bytes) noexcept
{
    bytes = Aligned(std::max<size_t>(bytes, 1));
    need += bytes;
    if (main && mainSize - used >= bytes) {
        void* memory = main.get() + used;
        used += bytes;
        return memory;
    }
    try {
        if (!main && extra.empty()) {
            // The first allocation since the pool was freed: the main block
            // is as large as the last frame needed.
            mainSize = std::max({kLeastBlock, bytes});
            main.reset(AllocateAligned(mainSize));
            if (!main)
                return nullptr;
            used = bytes;
            return main.get();
        }
        extra.reserve(extra.size() + 1);
        Block block(AllocateAligned(bytes));
        if (!block)
            return nullptr;
        extra.emplace_back(std::move(block), bytes);
        return extra.back().first.get();
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

void CodecMemory::Pool::Reset() noexcept
{
    // A frame that needed more than the main block gets one block of its
    // whole need next time.
    if (!extra.empty()) {
        extra.clear();
        const size_t grown = Aligned(need);
        main.reset(AllocateAligned(grown));
        mainSize = main ? grown : 0;
    }
    used = 0;
    need = 0;
}

void CodecMemory::Install(jpeg_common_struct* cinfo)
{
    jpeg_memory_mgr* original = cinfo->mem;
    auto* manager = static_cast<Manager*>((*original->alloc_small)(cinfo, JPOOL_PERMANENT, sizeof(Manager)));
    *manager = {};
    manager->pub.alloc_small = AllocateSmall;
    manager->pub.alloc_large = AllocateLarge;
    manager->pub.alloc_sarray = AllocateSampleRows;
    manager->pub.alloc_barray = AllocateBlockRows;
    manager->pub.request_virt_sarray = RequestSampleArray;
    manager->pub.request_virt_barray = RequestBlockArray;
    manager->pub.realize_virt_arrays = RealizeArrays;
    manager->pub.access_virt_sarray = AccessSampleArray;
    manager->pub.access_virt_barray = AccessBlockArray;
    manager->pub.free_pool = FreePool;
    manager->pub.self_destruct = SelfDestruct;
    manager->pub.max_memory_to_use = original->max_memory_to_use;
    manager->pub.max_alloc_chunk = original->max_alloc_chunk;
    manager->memory = this;
    manager->original = original;
    cinfo->mem = &manager->pub;
}

void CodecMemory::Release()
{
    for (Pool& pool : pools_)
        pool = Pool{};
}

size_t CodecMemory::HeldBytes() const
{
    size_t bytes = 0;
    for (const Pool& pool : pools_) {
        bytes += pool.mainSize;
        for (const auto& block : pool.extra)
            bytes += block.second;
    }
    return bytes;
}

}  // namespace kestrel::mjpeg
