// How a flash device lays out the partition store: its size, its erase
// sector, where the two table copies lie, the last byte partition data may
// take, the largest table image, the access granule of records and the
// value of an erased byte. Store addresses are relative to the store.
#ifndef VL9738K_FLASH_FLASHGEOMETRY_H
#define VL9738K_FLASH_FLASHGEOMETRY_H

#include <stdint.h>

namespace qrtk {

struct FlashGeometry {
  uint32_t totalSize;
  uint32_t sectorSize;
  uint32_t tableAddressA;
  uint32_t tableAddressB;
  uint32_t lastDataAddress;
  uint32_t maxTableSize;
  uint32_t alignment;
  uint8_t erasedValue;

  // A store that could not hold its own tables, or whose records have no
  // granule, is refused before anything is read.
  bool isValid() const {
    return sectorSize != 0 && alignment != 0 && totalSize > 3 && maxTableSize > 3 && lastDataAddress <= tableAddressA &&
           lastDataAddress <= tableAddressB;
  }
};

}  // namespace qrtk

#endif
