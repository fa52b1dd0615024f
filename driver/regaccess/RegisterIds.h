// Register and field ids. A register id has bit 31 set and its key in bits
// 0-23; a field id has bit 31 clear, the 6-bit bit-reversal of the field's
// lowest bit in bits 24-29 and its register's key below. Bit 30 marks
// read-only items. All fields of one register share its key.
#ifndef VL9738K_REGACCESS_REGISTERIDS_H
#define VL9738K_REGACCESS_REGISTERIDS_H

#include <stdint.h>

namespace arm::ids {

inline constexpr uint32_t kRegisterBit = 0x80000000u;
inline constexpr uint32_t kReadOnlyBit = 0x40000000u;
inline constexpr uint32_t kKeyMask = 0x00FFFFFFu;

// b5 b4 b3 b2 b1 b0 -> b0 b1 b2 b3 b4 b5.
constexpr uint32_t reverse6(uint32_t bit) {
  uint32_t reversed = 0;
  for (int i = 0; i < 6; ++i) reversed |= ((bit >> i) & 1u) << (5 - i);
  return reversed;
}

constexpr uint32_t fieldId(uint32_t registerId, uint32_t lowestBit, bool readOnly) {
  return (reverse6(lowestBit) << 24) | (readOnly ? kReadOnlyBit : 0u) | (registerId & kKeyMask);
}

// get, set, read and write: a register id ignores bits 24-29; a field id
// must match exactly.
constexpr uint32_t itemKey(uint32_t id) { return (id & kRegisterBit) != 0 ? id & 0xC0FFFFFFu : id; }

// flush, refresh and getRegisterFormat: any id of a register reaches it;
// bit 30 stays, so a read-only field id never reaches a writable register.
constexpr uint32_t registerKey(uint32_t id) { return (id & 0x40FFFFFFu) | kRegisterBit; }

}  // namespace arm::ids

#endif
