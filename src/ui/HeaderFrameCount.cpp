#include "ui/HeaderFrameCount.h"

#include "avi/AviLayout.h"

#include <array>
#include <fstream>

namespace kestrel::ui {
namespace {

// RIFF header: "RIFF", the size of what follows, the form type.
constexpr uint32_t kRiffHeaderSize = 12;
// The header list and its lists hold a few dozen chunks; more is damage.
constexpr int kMaxChunks = 256;

class HeaderReader {
public:
    explicit HeaderReader(const std::string& path) : file_(path, std::ios::binary) { }

    uint32_t FrameCount()
    {
        std::array<uint8_t, kRiffHeaderSize + avi::kChunkHeaderSize + avi::kListTypeSize> head{};
        if (!Read(0, head.data(), head.size()) || ReadLe32(head.data()) != avi::kRiff ||
            ReadLe32(head.data() + avi::kChunkHeaderSize) != avi::kAviForm)
            return 0;
        // The header list comes first in the RIFF chunk.
        const uint8_t* list = head.data() + kRiffHeaderSize;
        if (ReadLe32(list) != avi::kList || ReadLe32(list + avi::kChunkHeaderSize) != avi::kHdrl)
            return 0;
        const uint64_t begin = kRiffHeaderSize + avi::kChunkHeaderSize + avi::kListTypeSize;
        Walk(begin, begin - avi::kListTypeSize + ReadLe32(list + 4), /*inOdml=*/false);
        return openDmlTotal_ != 0 ? openDmlTotal_ : mainTotal_;
    }

private:
    bool Read(uint64_t at, uint8_t* bytes, size_t count)
    {
        file_.clear();
        file_.seekg(static_cast<std::streamoff>(at));
        file_.read(reinterpret_cast<char*>(bytes), static_cast<std::streamsize>(count));
        return bool(file_);
    }

    uint32_t ReadField(uint64_t at)
    {
        uint8_t bytes[4];
        return Read(at, bytes, sizeof bytes) ? ReadLe32(bytes) : 0;
    }

    // The chunks of the header list and of its 'odml' list.
    void Walk(uint64_t at, uint64_t end, bool inOdml)
    {
        for (int chunks = 0; chunks < kMaxChunks && at + avi::kChunkHeaderSize <= end; ++chunks) {
            uint8_t header[avi::kChunkHeaderSize + avi::kListTypeSize];
            if (!Read(at, header, sizeof header))
                return;
            const FourCC id = ReadLe32(header);
            const uint32_t size = ReadLe32(header + 4);
            const uint64_t data = at + avi::kChunkHeaderSize;
            if (id == avi::kAvih && size >= avi::avih::kSize)
                mainTotal_ = ReadField(data + avi::avih::kTotalFrames);
            else if (id == avi::kDmlh && size >= avi::dmlh::kMinimumSize)
                openDmlTotal_ = ReadField(data + avi::dmlh::kTotalFrames);
            else if (!inOdml && id == avi::kList && ReadLe32(header + avi::kChunkHeaderSize) == avi::kOdml)
                Walk(data + avi::kListTypeSize, data + size, /*inOdml=*/true);
            at = data + size + (size & 1);
        }
    }

    std::ifstream file_;
    uint32_t mainTotal_ = 0;
    uint32_t openDmlTotal_ = 0;
};

}  // namespace

uint32_t HeaderFrameCount(const std::string& path) { return HeaderReader(path).FrameCount(); }

}  // namespace kestrel::ui
