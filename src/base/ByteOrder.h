#pragma once

// Little-endian (RIFF) and big-endian (JPEG) integer access, and FOURCCs.

#include <cstdint>
#include <cstring>

namespace kestrel {

// A FOURCC: four characters in file order, held as one little-endian integer.
using FourCC = uint32_t;

constexpr FourCC MakeFourCC(const char (&text)[5])
{
    return uint32_t(uint8_t(text[0])) | uint32_t(uint8_t(text[1])) << 8 | uint32_t(uint8_t(text[2])) << 16 |
           uint32_t(uint8_t(text[3])) << 24;
}

// The last two characters of a stream data chunk's FOURCC ("dc" of "00dc").
constexpr uint16_t FourCCSuffix(FourCC id) { return static_cast<uint16_t>(id >> 16); }
constexpr uint16_t MakeSuffix(const char (&text)[3])
{
    return static_cast<uint16_t>(uint8_t(text[0]) | uint8_t(text[1]) << 8);
}

inline uint16_t ReadLe16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
inline uint32_t ReadLe32(const uint8_t* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
inline void WriteLe16(uint8_t* p, uint16_t v)
{
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}
inline void WriteLe32(uint8_t* p, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<uint8_t>(v >> (8 * i));
}
inline uint64_t ReadLe64(const uint8_t* p) { return uint64_t(ReadLe32(p)) | uint64_t(ReadLe32(p + 4)) << 32; }
inline void WriteLe64(uint8_t* p, uint64_t v)
{
    WriteLe32(p, static_cast<uint32_t>(v));
    WriteLe32(p + 4, static_cast<uint32_t>(v >> 32));
}

inline uint16_t ReadBe16(const uint8_t* p) { return static_cast<uint16_t>(p[0] << 8 | p[1]); }
inline void WriteBe16(uint8_t* p, uint16_t v)
{
    p[0] = static_cast<uint8_t>(v >> 8);
    p[1] = static_cast<uint8_t>(v);
}

}  // namespace kestrel
