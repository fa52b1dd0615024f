// The board's PCI Express bridge chip (Wexel) as its BAR 0 shows it: the
// core register block, the configuration-port block with its per-port
// register windows, and paged window 0, behind which lies the NOR flash
// (the capability space the driver walks for the board's identity). The
// register blocks are plain register files; the chip's behaviour behind
// them (DMA, interrupts, FPGA loading, serial ports) joins as the driver
// comes to need it.
#ifndef VL9738K_SIM_BOARD_BRIDGE_H
#define VL9738K_SIM_BOARD_BRIDGE_H

#include <cstdint>

#include "Bar.h"
#include "BridgeWindow.h"
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

  // Window 0 (base 0xC0, page 0xE0) comes out of reset enabled, 64 KiB at
  // BAR offset 0x40000, page 0.
  static constexpr uint64_t kFlashWindowBase = 0xC0;
  static constexpr uint64_t kFlashWindowPage = 0xE0;
  static constexpr uint32_t kFlashWindowReset = 0x00040090;
  static constexpr uint64_t kFlashWindowOffset = 0x40000;
  static constexpr uint64_t kFlashWindowSize = 0x10000;

  // The chassis slot as the backplane's geographic-address pins give it,
  // in bits 12-8 of a read-only word.
  static constexpr uint64_t kGeographicAddress = 0x3FC;
  static constexpr unsigned kGeographicAddressShift = 8;

  Bridge(Bar& bar0, RegisterBlock& flash);

  RegisterFile& core() { return core_; }
  RegisterFile& configPort() { return configPort_; }
  BridgeWindow& flashWindow() { return flashWindow_; }

  void setGeographicSlot(uint8_t slot);

 private:
  RegisterFile core_;
  RegisterFile configPort_;
  BridgeWindow flashWindow_;
};

}  // namespace sim

#endif
