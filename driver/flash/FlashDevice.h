// The operations a flash store stands on: byte-granular read, program with
// or without erasing the sectors it touches, sector erase and the store's
// geometry. Addresses are store addresses; every operation takes the status
// last and does nothing when it already holds an error.
#ifndef VL9738K_FLASH_FLASHDEVICE_H
#define VL9738K_FLASH_FLASHDEVICE_H

#include <stdint.h>

#include "FlashGeometry.h"
#include "driver/platform/status/tStatus.h"

namespace qrtk {

class FlashDevice {
 public:
  virtual ~FlashDevice() {}
  virtual void read(uint8_t* buffer, uint32_t address, uint32_t length, nVLAPALS100::tStatus& status) = 0;
  virtual void writeWithErase(const uint8_t* data, uint32_t address, uint32_t length, nVLAPALS100::tStatus& status) = 0;
  virtual void getGeometry(FlashGeometry& geometry, nVLAPALS100::tStatus& status) = 0;
  virtual void readBytes(uint32_t address, uint32_t length, uint8_t* buffer, nVLAPALS100::tStatus& status) = 0;
  virtual void writeWithoutErase(const uint8_t* data, uint32_t address, uint32_t length,
                                 nVLAPALS100::tStatus& status) = 0;
  virtual void eraseSector(uint32_t sectorIndex, nVLAPALS100::tStatus& status) = 0;
};

}  // namespace qrtk

#endif
