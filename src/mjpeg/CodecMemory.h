#pragma once

// Memory for the JPEG library's codec objects that stays with its owner from
// frame to frame. A conversion creates and destroys a codec object per
// frame, and the library would allocate and free its whole-picture
// coefficient arrays each time; from the allocator those come back as fresh
// pages, and touching them costs as much as moving the coefficients.
// Installed on a codec object, a CodecMemory serves every allocation the
// object makes from then on (its pools, sample and block arrays, virtual
// arrays, which are always held in memory) out of blocks it keeps when the
// object frees its pools or is destroyed; the next frame of the same size
// finds them ready.

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

struct jpeg_common_struct;

namespace kestrel::mjpeg {

class CodecMemory {
public:
    CodecMemory() = default;
    CodecMemory(CodecMemory&&) = default;
    CodecMemory& operator=(CodecMemory&&) = default;

    // Takes over the memory manager of `cinfo`, a codec object just created
    // (jpeg_create_*), until the object is destroyed, which hands it back
    // the library's own manager to free what that one holds. One object at
    // a time. Runs below the codec call's setjmp.
    void Install(jpeg_common_struct* cinfo);

    // Frees the kept blocks; the next frame allocates them again.
    void Release();

    // Bytes held in kept blocks.
    size_t HeldBytes() const;

    // One pool's memory: a main block reused frame after frame, and the
    // blocks a frame needed beyond it, which are freed when the pool is, the
    // main block growing to the frame's whole need.
    struct Pool {
        struct Free {
            void operator()(uint8_t* block) const;
        };
        using Block = std::unique_ptr<uint8_t[], Free>;
        Block main;
        size_t mainSize = 0;
        size_t used = 0;
        std::vector<std::pair<Block, size_t>> extra;
        size_t need = 0;  // bytes handed out since the pool was last freed

        void* Allocate(size_t bytes) noexcept;
        void Reset() noexcept;
    };

    // The pool of the library's pool id: 0 JPOOL_PERMANENT, 1 JPOOL_IMAGE.
    Pool& PoolOf(int id) { return pools_[id == 0 ? 0 : 1]; }

private:
    std::array<Pool, 2> pools_;  // the library's JPOOL_PERMANENT and JPOOL_IMAGE
};

}  // namespace kestrel::mjpeg
