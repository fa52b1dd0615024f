#include "CapabilityChain.h"

#include "FlashSites.h"

namespace nVL9738K_24_0 {

using nVLAPALS100::tStatus;

uint32_t CapabilityChain::find(const uint8_t* sector, uint32_t sectorSize, uint16_t id, tStatus& status) {
  if (status.isFatal()) return 0;
  // Every header takes at least 4 bytes, so a walk of more headers than
  // that has gone round in a circle.
  const uint32_t maxHeaders = sectorSize / 4;
  uint32_t offset = 0;
  for (uint32_t visited = 0; visited < maxHeaders; ++visited) {
    if (offset > sectorSize - 4) break;
    const uint32_t header = load32(sector + offset);
    if ((header >> 16) == id) return offset;
    const uint32_t pointer = header & 0xFFFC;
    uint32_t next = 0;
    switch (header & 3) {
      case 0:
        next = pointer;
        break;
      case 1:
        if (offset == 0) {
          status.setCode(nVLAPALS100::kStatusValueOutOfRange, VL_SITE_AT(sites::kController, __LINE__));
          return 0;
        }
        next = (load32(sector + offset - 4) & 0xFFFF0000u) | pointer;
        break;
      case 2:
        next = offset + pointer;
        break;
      default:
        status.setCode(nVLAPALS100::kStatusValueOutOfRange, VL_SITE_AT(sites::kController, __LINE__));
        return 0;
    }
    if (next == 0) {
      status.setCode(nVLAPALS100::kStatusNotAccessible, VL_SITE_AT(sites::kController, __LINE__));
      return 0;
    }
    offset = next;
  }
  status.setCode(nVLAPALS100::kStatusValueOutOfRange, VL_SITE_AT(sites::kController, __LINE__));
  return 0;
}

}  // namespace nVL9738K_24_0
