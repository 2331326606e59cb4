#pragma once

// Marker codes and sizes of the JPEG stream syntax (ITU-T T.81 B.1).
// Multi-byte numbers inside a JPEG stream are big-endian.

#include <cstddef>
#include <cstdint>

namespace kestrel::mjpeg {

inline constexpr uint8_t kMarkerPrefix = 0xFF;
inline constexpr uint8_t kSoi = 0xD8;
inline constexpr uint8_t kEoi = 0xD9;
inline constexpr uint8_t kSof0 = 0xC0;  // baseline sequential, Huffman
inline constexpr uint8_t kDht = 0xC4;
inline constexpr uint8_t kSos = 0xDA;
inline constexpr uint8_t kDqt = 0xDB;
inline constexpr uint8_t kDri = 0xDD;
inline constexpr uint8_t kApp0 = 0xE0;
inline constexpr uint8_t kApp15 = 0xEF;
inline constexpr uint8_t kCom = 0xFE;

inline constexpr size_t kMarkerSize = 2;         // FF and the code
inline constexpr size_t kSegmentLengthSize = 2;  // counts itself, not the marker

inline constexpr size_t kQuantTableEntries = 64;

// Zig-zag sequence (T.81 Figure A.6): entry k is the natural (row-major)
// position of the k-th coefficient in zig-zag order.
inline constexpr uint8_t kZigZagToNatural[kQuantTableEntries] = {
    0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,  12, 19, 26, 33, 40, 48,
    41, 34, 27, 20, 13, 6,  7,  14, 21, 28, 35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23,
    30, 37, 44, 51, 58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};

constexpr uint16_t ReadBe16(const uint8_t* bytes) { return static_cast<uint16_t>((bytes[0] << 8) | bytes[1]); }

}  // namespace kestrel::mjpeg
