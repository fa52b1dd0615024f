// What the trigger controls do to a register: change only their own bits
// in its shadow, then write the whole register when the shadow changed or
// was already dirty (the register's flush; a register outside the map's
// window answers not-accessible and stays dirty for the next try).
#ifndef VL9738K_TIMING_SHADOWEDREGISTERWRITES_H
#define VL9738K_TIMING_SHADOWEDREGISTERWRITES_H

#include <stdint.h>

#include "driver/regaccess/RegisterRecord.h"

namespace qrtifwprim::shadowed {

using nVLAPALS100::tStatus;

// The layout every minimum-export-pulse-width register shares: two 32-bit
// widths, or one in the low half.
using tPulseWidthRegister = arm::tRegister<uint64_t, arm::kWritable, 0u, 0u>;

// Where one pulse width lives: a register and which half of it.
template <typename tMap>
struct tPulseWidthSlot {
  int32_t id;
  tPulseWidthRegister& (*reach)(tMap& map);
  bool high;
};

template <typename tRegister>
inline void writeValue(tRegister& reg, typename tRegister::tValue value, tStatus& status) {
  reg.setValue(value, status);
  reg.flush(status, false);
}

inline void writeHalf(tPulseWidthRegister& reg, bool high, uint32_t value, tStatus& status) {
  const uint64_t shadow = reg.getValue();
  writeValue(reg,
             high ? (shadow & 0xFFFFFFFFull) | (static_cast<uint64_t>(value) << 32) : (shadow & ~0xFFFFFFFFull) | value,
             status);
}

template <typename tMap, uint32_t kCount>
inline const tPulseWidthSlot<tMap>* findSlot(const tPulseWidthSlot<tMap> (&slots)[kCount], int32_t id) {
  for (const auto& slot : slots) {
    if (slot.id == id) return &slot;
  }
  return nullptr;
}

// A pulse of the bits in `mask`: cleared, set and cleared again, each step
// written under the rule above (a step that changes nothing on a clean
// register writes nothing).
template <typename tRegister>
inline void pulse(tRegister& reg, typename tRegister::tValue mask, tStatus& status) {
  writeValue(reg, reg.getValue() & ~mask, status);
  writeValue(reg, reg.getValue() | mask, status);
  writeValue(reg, reg.getValue() & ~mask, status);
}

template <typename... tRegisters>
inline void markDirty(tRegisters&... registers) {
  ((registers.dirty = 1), ...);
}

}  // namespace qrtifwprim::shadowed

#endif
