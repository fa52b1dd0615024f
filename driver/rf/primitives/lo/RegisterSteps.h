// The register steps the LO primitives take on shadowed register records:
// replace a bit range of the shadow (dirty only when the shadow changes),
// flush (when forced or dirty), refresh, and write a whole byte. Every step
// does nothing once the status holds an error.
#ifndef VL9738K_RF_PRIMITIVES_LO_REGISTER_STEPS_H
#define VL9738K_RF_PRIMITIVES_LO_REGISTER_STEPS_H

#include <stdint.h>

#include "driver/platform/status/tStatus.h"
#include "driver/regaccess/RegisterRecord.h"

namespace nVL9738K_24_0::steps {

using Record = arm::tShadowedRecord<uint32_t>;

constexpr uint32_t bitMask(unsigned high, unsigned low) {
  return static_cast<uint32_t>(((uint64_t{1} << (high + 1)) - 1) & ~((uint64_t{1} << low) - 1));
}

// Replaces the bits of `mask` with those of `bits`; whether the shadow changed.
inline bool setMasked(Record& record, uint32_t mask, uint32_t bits, nVLAPALS100::tStatus& status) {
  if (status.isFatal()) return false;
  const uint32_t next = (record.shadow & ~mask) | (bits & mask);
  if (next == record.shadow) return false;
  record.shadow = next;
  record.dirty = 1;
  return true;
}

inline bool setBits(Record& record, unsigned high, unsigned low, uint32_t value, nVLAPALS100::tStatus& status) {
  return setMasked(record, bitMask(high, low), value << low, status);
}

inline bool setBit(Record& record, unsigned bit, bool value, nVLAPALS100::tStatus& status) {
  return setBits(record, bit, bit, value ? 1u : 0u, status);
}

template <typename tRegister>
inline void flush(tRegister& reg, bool force, nVLAPALS100::tStatus& status) {
  reg.flush(status, force);
}

// Sets the bits, then writes the register when that changed it or it was
// already dirty; never forced.
template <typename tRegister>
inline void write(tRegister& reg, unsigned high, unsigned low, uint32_t value, nVLAPALS100::tStatus& status) {
  setBits(reg, high, low, value, status);
  reg.flush(status, false);
}

// A whole register from a byte, never forced: the clock overrides are
// written only when they change the shadow or the register is dirty.
template <typename tRegister>
inline void writeWhole(tRegister& reg, uint8_t value, nVLAPALS100::tStatus& status) {
  write(reg, 31, 0, value, status);
}

}  // namespace nVL9738K_24_0::steps

#endif
