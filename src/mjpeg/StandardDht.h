#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace kestrel::mjpeg {

// One of the typical Huffman tables of ITU-T T.81 Annex K.3, in the form a
// DHT segment carries it: the number of codes of each length 1..16, then the
// symbols in code order.
struct StandardHuffmanTable {
    uint8_t tableClass;   // 0 = DC, 1 = AC
    uint8_t tableNumber;  // 0 = luminance, 1 = chrominance
    std::array<uint8_t, 16> codeCounts;
    std::span<const uint8_t> symbols;
};

// The four tables in the order the DHT segment lists them: Table K.3
// (DC 0), Table K.4 (DC 1), Table K.5 (AC 0), Table K.6 (AC 1).
std::span<const StandardHuffmanTable, 4> StandardHuffmanTables();

// The DHT marker segment that defines all four standard tables: FF C4, the
// length 418, then the four table definitions. Motion-JPEG frames in AVI
// files usually leave their Huffman tables out and rely on these.
inline constexpr size_t kStandardDhtSize = 420;
extern const std::array<uint8_t, kStandardDhtSize> StandardDhtSegment;

}  // namespace kestrel::mjpeg
