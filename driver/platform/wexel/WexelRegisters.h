// Register access of the bridge's thin platform classes: 32-bit registers
// through the kernel layer's bus accesses, 64-bit registers with one plain
// store or load to the mapped register.
#ifndef VL9738K_PLATFORM_WEXELREGISTERS_H
#define VL9738K_PLATFORM_WEXELREGISTERS_H

#include <stdint.h>

#include "../zuk/ZukRegisters.h"

namespace nVLAPAL000::wexel {

inline uint32_t read32(volatile uint8_t* base, uint64_t offset) { return nVLZUK100_memoryRead32(base + offset); }
inline void write32(volatile uint8_t* base, uint64_t offset, uint32_t value) {
  nVLZUK100_memoryWrite32(base + offset, value);
}
inline uint64_t load64(volatile uint8_t* base, uint64_t offset) {
  return *reinterpret_cast<volatile uint64_t*>(base + offset);
}
inline void store64(volatile uint8_t* base, uint64_t offset, uint64_t value) {
  *reinterpret_cast<volatile uint64_t*>(base + offset) = value;
}

}  // namespace nVLAPAL000::wexel

#endif
