// What a register map needs of an FPGA instruction target: one register
// read or write, executed as a register instruction against the target's
// subsystem. The instruction framework's target binding implements it;
// the timing-engine maps reach their blocks only through it.
#ifndef VL9738K_REGACCESS_IREGISTERINSTRUCTIONTARGET_H
#define VL9738K_REGACCESS_IREGISTERINSTRUCTIONTARGET_H

#include <stdint.h>

#include "driver/platform/status/tStatus.h"

namespace arm {

class IRegisterInstructionTarget {
 public:
  virtual uint64_t read64(uint32_t address, nVLAPALS100::tStatus& status) = 0;
  virtual uint32_t read32(uint32_t address, nVLAPALS100::tStatus& status) = 0;
  virtual void write64(uint32_t address, uint64_t value, nVLAPALS100::tStatus& status) = 0;
  virtual void write32(uint32_t address, uint32_t value, nVLAPALS100::tStatus& status) = 0;

 protected:
  ~IRegisterInstructionTarget() {}
};

}  // namespace arm

#endif
