// The path to the board's CDCE18005 clock buffer: SPI port 3 of the
// bridge's configuration port. A register write becomes one 32-bit word,
// the register number in its low four bits, sent most significant bit
// first. The chip cannot be read back over this path.
#ifndef VL9738K_BOARD_TICDCE18005ACCESSOR_H
#define VL9738K_BOARD_TICDCE18005ACCESSOR_H

#include <stdint.h>

#include "WexelConfigPortAccessor.h"

namespace nVL9738K_24_0 {

class TICDCE18005Accessor {
 public:
  using tStatus = nVLAPALS100::tStatus;

  static constexpr uint32_t kPort = 3;
  // Register 15 carries no register number of its own.
  static constexpr uint32_t kRawRegister = 15;

  // Builds the port accessor and programs the port.
  TICDCE18005Accessor(WexelConfigPortAccessor::tBaseMap* baseMap, WexelConfigPortAccessor::tSPIMap* spiMap,
                      const tBridgeWindowSpan& window, tStatus& status);
  virtual ~TICDCE18005Accessor() {}

  virtual void writeRegister(uint32_t registerNumber, uint32_t value, tStatus& status);

  // The word as it leaves the port for a write of `value` to a register.
  static uint32_t wireWord(uint32_t registerNumber, uint32_t value);

  WexelConfigPortAccessor& getPortAccessor() { return port_; }

 private:
  WexelConfigPortAccessor port_;
};

}  // namespace nVL9738K_24_0

#endif
