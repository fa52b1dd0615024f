// The capability list as the flash holds it: one sector, a chain of
// records each starting with a u32 header (bits 31-16 the capability id,
// bits 15-2 the next pointer, bits 1-0 its type: 0 an offset within the
// sector, 1 the same with bits 31-16 of the next offset from the word just
// before the header, 2 relative to the header, 3 invalid). A next offset of
// 0 ends the chain; the record's body follows its header.
#ifndef VL9738K_FLASH_CAPABILITYCHAIN_H
#define VL9738K_FLASH_CAPABILITYCHAIN_H

#include <stdint.h>

#include "driver/platform/status/tStatus.h"

namespace nVL9738K_24_0 {

class CapabilityChain {
 public:
  static constexpr uint16_t kDeviceSpecific = 1;
  static constexpr uint16_t kSerialNumber = 4;

  // The offset of the first header with `id`, walking from offset 0.
  // -52006 when the chain ends without it; -52018 for an invalid pointer, a
  // walk that leaves the sector, or one that visits more headers than the
  // sector can hold (a chain that points back into itself).
  static uint32_t find(const uint8_t* sector, uint32_t sectorSize, uint16_t id, nVLAPALS100::tStatus& status);

  static uint32_t load32(const uint8_t* at) {
    return static_cast<uint32_t>(at[0]) | static_cast<uint32_t>(at[1]) << 8 | static_cast<uint32_t>(at[2]) << 16 |
           static_cast<uint32_t>(at[3]) << 24;
  }
  static void store32(uint8_t* at, uint32_t value) {
    for (int i = 0; i < 4; ++i) at[i] = static_cast<uint8_t>(value >> (8 * i));
  }
};

}  // namespace nVL9738K_24_0

#endif
