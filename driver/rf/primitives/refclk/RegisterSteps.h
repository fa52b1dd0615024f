// The register steps of the reference-clock path, on the maps' records:
// assign bits of the shadow (dirty only when it changes), and write a
// record when it is dirty, reporting whether it was.
#ifndef VL9738K_RF_PRIMITIVES_REFCLK_REGISTER_STEPS_H
#define VL9738K_RF_PRIMITIVES_REFCLK_REGISTER_STEPS_H

#include <stdint.h>

#include "../../../platform/status/tStatus.h"

namespace nVL9738K_24_0 {
namespace refclk_steps {

template <typename tRecord>
void assign(tRecord& record, uint32_t mask, uint32_t value, nVLAPALS100::tStatus& status) {
  record.setValue(static_cast<uint32_t>((record.getValue() & ~mask) | (value & mask)), status);
}

inline uint32_t bitIf(bool condition, unsigned bit) { return condition ? 1u << bit : 0u; }

// Writes the record when it is dirty; returns whether it was. A record
// left dirty by an earlier error still counts, since the chip may not
// hold its value.
template <typename tRecord>
bool writeWhenDirty(tRecord& record, nVLAPALS100::tStatus& status) {
  const bool dirty = record.isDirty();
  record.flush(status, false);
  return dirty;
}

template <typename tRecord>
bool assignAndWrite(tRecord& record, uint32_t mask, uint32_t value, nVLAPALS100::tStatus& status) {
  assign(record, mask, value, status);
  return writeWhenDirty(record, status);
}

}  // namespace refclk_steps
}  // namespace nVL9738K_24_0

#endif
