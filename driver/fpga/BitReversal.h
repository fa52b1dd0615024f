// The FPGA's configuration interface takes each byte most significant bit
// first on the line the bridge drives least significant bit first, so the
// driver hands it every byte with its bits in reverse order.
#ifndef VL9738K_FPGA_BITREVERSAL_H
#define VL9738K_FPGA_BITREVERSAL_H

#include <stdint.h>

namespace vllym {

struct tByteReversalTable {
  uint8_t entries[256];
};

constexpr tByteReversalTable makeByteReversalTable() {
  tByteReversalTable table{};
  for (uint32_t value = 0; value < 256; ++value) {
    uint32_t reversed = 0;
    for (uint32_t bit = 0; bit < 8; ++bit) reversed |= ((value >> bit) & 1u) << (7 - bit);
    table.entries[value] = static_cast<uint8_t>(reversed);
  }
  return table;
}

inline constexpr tByteReversalTable kByteReversal = makeByteReversalTable();

// Four image bytes as one bus word: byte i, reversed, in bits 8i+7..8i.
inline uint32_t reversedWord(const uint8_t* bytes) {
  return uint32_t{kByteReversal.entries[bytes[0]]} | uint32_t{kByteReversal.entries[bytes[1]]} << 8 |
         uint32_t{kByteReversal.entries[bytes[2]]} << 16 | uint32_t{kByteReversal.entries[bytes[3]]} << 24;
}

}  // namespace vllym

#endif
