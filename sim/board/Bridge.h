// The board's PCI Express bridge chip (Wexel) as its BAR 0 shows it: the
// core register block with the interrupt logic, the configuration-port
// block with its per-port register windows, paged window 0, behind which
// lies the NOR flash (the capability space the driver walks for the board's
// identity), and the register blocks of the DMA channels with their
// engines; the POSC status, the FPGA loader, the IO-port configuration
// registers with the serial ports' internal registers, and the SPI engine
// with window 3 as the data window of port 3, where the CDCE18005 clock
// buffer sits.
#ifndef VL9738K_SIM_BOARD_BRIDGE_H
#define VL9738K_SIM_BOARD_BRIDGE_H

#include <cstdint>
#include <memory>
#include <vector>

#include "Bar.h"
#include "BridgeWindow.h"
#include "Cdce18005.h"
#include "DmaChannel.h"
#include "FpgaLoader.h"
#include "InterruptController.h"
#include "IoPortConfig.h"
#include "RegisterFile.h"
#include "SpiPorts.h"

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
  // in bits 12-8 of a read-only word, clear of the interrupt status page
  // (0x3C0-0x3FF) that the driver clears when it turns the page on.
  static constexpr uint64_t kGeographicAddress = 0x3AC;
  static constexpr unsigned kGeographicAddressShift = 8;
  static constexpr unsigned kGeographicSlotMask = 0x1F;

  // The DMA channel bank as the core block describes it: word 0x0C gives
  // log2 of the link size (bits 15-12), of the channel block stride (bits
  // 19-16) and of the channel count (bits 23-20); word 0x1C the offset of
  // channel 0's block.
  static constexpr uint64_t kCoreCapabilities = 0x0C;
  static constexpr uint64_t kLastReadOnlyCoreWord = 0x1C;
  static constexpr uint64_t kDmaRegisterGroupBase = 0x1C;
  static constexpr unsigned kLinkSizeLog2 = 9;
  static constexpr unsigned kChannelStrideLog2 = 8;
  static constexpr unsigned kChannelCountLog2 = 2;
  static constexpr uint64_t kChannelsOffset = 0x1000;
  static constexpr uint32_t kChannelCount = 1u << kChannelCountLog2;

  // The core block's port count (0x18 bits 31:24), the ports' pin
  // functions (0x514: port 3 SPI, the others parallel) and window 3, the
  // data window of port 3 (64 KiB at 0x50000), as the board straps them.
  static constexpr uint64_t kConfigPortResource = 0x18;
  static constexpr uint32_t kPortCount = 8;
  static constexpr uint64_t kPortsMode = 0x514;
  static constexpr uint32_t kPortsModeReset = 0x00004000;
  static constexpr unsigned kDataWindowIndex = 3;
  static constexpr uint64_t kDataWindowBase = 0xCC;
  static constexpr uint32_t kDataWindowReset = 0x00050090;
  // Bits 1:0 of the POSC status read 2 once the self-configuration is over.
  static constexpr uint32_t kPoscDone = 2;

  Bridge(Bar& bar0, RegisterBlock& flash);

  FpgaLoader& fpgaLoader() { return fpgaLoader_; }
  IoPortConfig& ioPorts() { return ioPorts_; }
  SpiPorts& spi() { return spi_; }
  Cdce18005& clockBuffer() { return clockBuffer_; }
  // A POSC that never finishes keeps bits 1:0 of 0x58 at 1.
  void setPoscDone(bool done);

  RegisterFile& core() { return core_; }
  RegisterFile& configPort() { return configPort_; }
  BridgeWindow& flashWindow() { return flashWindow_; }
  InterruptController& interrupts() { return interrupts_; }
  DmaChannel& channel(uint32_t index) { return *channels_.at(index); }

  void setGeographicSlot(uint8_t slot);

 private:
  RegisterFile core_;
  RegisterFile configPort_;
  BridgeWindow flashWindow_;
  InterruptController interrupts_;
  FpgaLoader fpgaLoader_;
  IoPortConfig ioPorts_;
  SpiPorts spi_;
  Cdce18005 clockBuffer_;
  BridgeWindow dataWindow_;
  std::vector<std::unique_ptr<DmaChannel>> channels_;
};

}  // namespace sim

#endif
