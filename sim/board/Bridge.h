// The board's PCI Express bridge chip (Wexel) as its BAR 0 shows it: the
// core register block and the configuration-port block with its per-port
// register windows. Both are plain register files here; the chip's
// behaviour behind them (DMA, interrupts, FPGA loading, serial ports)
// joins as the driver comes to need it.
#ifndef VL9738K_SIM_BOARD_BRIDGE_H
#define VL9738K_SIM_BOARD_BRIDGE_H

#include <cstdint>

#include "Bar.h"
#include "RegisterFile.h"

namespace sim {

class Bridge {
 public:
  static constexpr uint64_t kCoreOffset = 0x000;
  static constexpr uint64_t kCoreSize = 0x400;
  static constexpr uint64_t kConfigPortOffset = 0x400;
  static constexpr uint64_t kConfigPortSize = 0x200;
  // Port n's four registers lie at kPortWindowsOffset + kPortWindowSize * n.
  static constexpr uint64_t kPortWindowsOffset = 0x580;
  static constexpr uint64_t kPortWindowSize = 0x10;

  // Control words written where the chip reports a status word on read.
  static constexpr uint64_t kCoreControlStatus = 0x58;
  static constexpr uint64_t kConfigStateMachineControlStatus = 0x528;

  explicit Bridge(Bar& bar0);

  RegisterFile& core() { return core_; }
  RegisterFile& configPort() { return configPort_; }

 private:
  RegisterFile core_;
  RegisterFile configPort_;
};

}  // namespace sim

#endif
