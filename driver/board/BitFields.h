// Bit-field helpers of the board's serial and window code: reversing a
// field in place (a serial port shifting least significant bit first sends
// a chip's word most significant bit first once reversed) and the number of
// address bits a window of a given size needs.
#ifndef VL9738K_BOARD_BITFIELDS_H
#define VL9738K_BOARD_BITFIELDS_H

#include <stdint.h>

namespace nVL9738K_24_0 {

// Bits lo..hi reversed in place (bit lo exchanges with bit hi); the bits
// outside the field are kept. With invert the reversed field is also
// inverted.
constexpr uint32_t reverseField(uint32_t value, uint32_t lo, uint32_t hi, bool invert = false) {
  uint32_t field = 0;
  for (uint32_t bit = lo; bit <= hi; ++bit) field |= ((value >> bit) & 1u) << (hi - (bit - lo));
  const uint32_t mask = (hi - lo == 31 ? ~uint32_t{0} : ((uint32_t{1} << (hi - lo + 1)) - 1)) << lo;
  if (invert) field ^= mask;
  return (value & ~mask) | (field & mask);
}

// 0 for 0 and 1; otherwise the number of bits that count x values.
constexpr uint32_t ceilingLog2(uint64_t x) {
  uint32_t bits = 0;
  while (x > 1 && (uint64_t{1} << bits) < x) ++bits;
  return bits;
}

}  // namespace nVL9738K_24_0

#endif
