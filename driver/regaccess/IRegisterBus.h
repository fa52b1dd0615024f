// How a register map reaches its hardware: one register of the given width
// (bytes) at an address the map computed. The map holds exactly one bus;
// which kind (a memory window's I/O accessor, an FPGA instruction target,
// a port's own accessor) is the map's business, not the engine's.
#ifndef VL9738K_REGACCESS_IREGISTERBUS_H
#define VL9738K_REGACCESS_IREGISTERBUS_H

#include <stdint.h>

#include "driver/platform/status/tStatus.h"

namespace arm {

class IRegisterBus {
 public:
  virtual uint64_t readRegister(uint32_t address, uint32_t width, nVLAPALS100::tStatus& status) = 0;
  virtual void writeRegister(uint32_t address, uint32_t width, uint64_t value, nVLAPALS100::tStatus& status) = 0;

 protected:
  // Buses live inside their maps and are never deleted through this type.
  ~IRegisterBus() {}
};

}  // namespace arm

#endif
