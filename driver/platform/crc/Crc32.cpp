#include "Crc32.h"

namespace nVLAPAL000 {

uint32_t reverseBits32(uint32_t value) {
  value = ((value >> 1) & 0x55555555u) | ((value & 0x55555555u) << 1);
  value = ((value >> 2) & 0x33333333u) | ((value & 0x33333333u) << 2);
  value = ((value >> 4) & 0x0F0F0F0Fu) | ((value & 0x0F0F0F0Fu) << 4);
  return __builtin_bswap32(value);
}

// Computed most-significant bit first on bit-reversed input, which gives
// the reflected result once the final value is reversed back.
uint32_t crc32(const void* data, uint64_t size) {
  if (size == 0) return 0;
  constexpr uint32_t kPolynomial = 0x04C11DB7u;
  const auto* bytes = static_cast<const uint8_t*>(data);
  uint32_t crc = 0xFFFFFFFFu;
  for (uint64_t i = 0; i < size; ++i) {
    uint32_t bits = reverseBits32(bytes[i]);
    for (int bit = 0; bit < 8; ++bit) {
      crc = ((crc ^ bits) & 0x80000000u) != 0 ? (crc << 1) ^ kPolynomial : crc << 1;
      bits <<= 1;
    }
  }
  return reverseBits32(~crc);
}

}  // namespace nVLAPAL000
