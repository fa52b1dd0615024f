// Everything the driver reaches through a memory window goes through this
// interface: register maps hold a pointer to one and never touch memory
// themselves, so a recording accessor can stand in for a live one.
#ifndef VL9738K_REGACCESS_IIOACCESSOR_H
#define VL9738K_REGACCESS_IIOACCESSOR_H

#include <stdint.h>

#include "driver/platform/status/tStatus.h"

namespace vllym::kernel {

class IIoAccessor {
 public:
  virtual ~IIoAccessor() {}

  // Offsets are byte offsets from the start of the window.
  virtual uint64_t read64(uint32_t offset, nVLAPALS100::tStatus& status) = 0;
  virtual uint32_t read32(uint32_t offset, nVLAPALS100::tStatus& status) = 0;
  virtual uint16_t read16(uint32_t offset, nVLAPALS100::tStatus& status) = 0;
  virtual uint8_t read8(uint32_t offset, nVLAPALS100::tStatus& status) = 0;
  virtual void write64(uint32_t offset, uint64_t value, nVLAPALS100::tStatus& status) = 0;
  virtual void write32(uint32_t offset, uint32_t value, nVLAPALS100::tStatus& status) = 0;
  virtual void write16(uint32_t offset, uint16_t value, nVLAPALS100::tStatus& status) = 0;
  virtual void write8(uint32_t offset, uint8_t value, nVLAPALS100::tStatus& status) = 0;
  // Moves byteCount bytes in elements of elementSize bytes; the device
  // address advances by stride per element (0: one FIFO register).
  virtual void writeBlock(uint32_t offset, const uint8_t* buffer, uint32_t byteCount, uint32_t elementSize,
                          uint32_t stride, nVLAPALS100::tStatus& status) = 0;
  virtual void readBlock(uint32_t offset, uint8_t* buffer, uint32_t byteCount, uint32_t elementSize, uint32_t stride,
                         nVLAPALS100::tStatus& status) = 0;
  virtual uint64_t getSize() = 0;
  virtual uint64_t getBusAddress() = 0;
  virtual uint8_t getFlag() = 0;
};

}  // namespace vllym::kernel

#endif
