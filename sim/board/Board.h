// The simulated board at the register level, organised as the hardware is,
// and plugged into the simulated kernel layer as a PCI function from its
// construction to its destruction.
//
// So far: the function's configuration space (identity, capability list
// with the PCI Express link), its BARs with real backing memory, the bridge
// chip in BAR 0 with its core and configuration-port blocks and window 0,
// the NOR flash behind that window (directory, power-on self-configuration
// record and capability list as the factory wrote them), the bridge's DMA
// channels and interrupt logic, the backplane's geographic address, the
// FPGA's register window with its IRQ block and DMA FIFO control blocks,
// the FPGA's fixed-logic window in BAR 0 (whose routing-register block is the
// FPGA's register port), and the function's interrupt line, which the
// bridge's interrupt logic drives, and the AD9162 DAC behind each LO CPLD.
// The rest of the FPGA and the CPLDs with their chips join as members of
// their own; the interrupt line is raiseInterrupt().
#ifndef VL9738K_SIM_BOARD_BOARD_H
#define VL9738K_SIM_BOARD_BOARD_H

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "Ad9162.h"
#include "Bar.h"
#include "Bridge.h"
#include "CapabilitiesBlock.h"
#include "FixedLogic.h"
#include "FlashImage.h"
#include "FpgaWindow.h"
#include "NorFlash.h"
#include "PciConfigSpace.h"
#include "RegisterPortModel.h"
#include "TimingEngineSubtree.h"
#include "sim/kernel/Pci.h"

namespace sim {

struct BoardOptions {
  // How configuration space shows the PCI Express capability: in the
  // capability list; only behind the bridge's signature (status bit 4
  // clear, the capability's place revealed in byte 0x0F once 0x5A5A has
  // been written at offset 0); or not at all.
  enum class PciCapabilities { Listed, BehindSignature, None };

  struct Flash {
    // Nothing written: every byte erased.
    bool blank = false;
    // Both copies hold the capability list; the select flag chooses copy 2
    // (flag 1) instead of copy 1 (flag 0).
    bool selectCopy2 = false;
    // Replaces the standard list (serial number, geographic address,
    // device-specific block).
    std::optional<std::vector<CapabilityRecord>> capabilities;
    std::vector<uint8_t> deviceSpecific = CapabilitiesBlock::factoryDefault();
  };

  uint16_t vendorId = 0x1E7B;
  uint16_t deviceId = 0xB6B6;
  uint16_t subsystemVendorId = 0x1E7B;
  uint16_t subsystemId = 0x5B31;
  uint8_t revision = 1;
  PciPlacement placement;
  PciCapabilities pciCapabilities = PciCapabilities::Listed;
  // Link widths in lanes, speeds as the link registers encode them
  // (1 2.5 GT/s, 2 5 GT/s, 3 8 GT/s).
  uint8_t linkWidth = 4;
  uint8_t maxLinkWidth = 4;
  uint8_t linkSpeed = 2;
  uint8_t maxLinkSpeed = 2;
  // How a BAR decodes: 32-bit memory, 64-bit memory (which takes the next
  // BAR register for its upper half) or I/O ports.
  enum class BarKind { Memory32, Memory64, Io };

  // The function's windows, BAR 0 (the bridge, memory) first; sizes are
  // powers of two (I/O windows at most 64 KiB). Kinds follow the sizes;
  // a window without a kind is 32-bit memory.
  std::vector<uint64_t> barSizes = {0x100000};
  std::vector<BarKind> barKinds;
  uint64_t serialNumber = 0x01D2C3B4;
  uint8_t geographicSlot = 5;
  Flash flash;
  // The timing engines the configured FPGA announces under its root; none
  // leaves the subsystem tree to the test.
  std::vector<TimingEngineSubtree::Layout> timingEngines = {TimingEngineSubtree::generation(),
                                                            TimingEngineSubtree::acquisition()};
};

class Board : public PciFunction {
 public:
  static constexpr uint64_t kBar0Size = 0x100000;
  // Where the PCI Express capability sits in configuration space.
  static constexpr uint32_t kPowerManagementCapability = 0x40;
  static constexpr uint32_t kMsiCapability = 0x50;
  static constexpr uint32_t kExpressCapability = 0x60;
  static constexpr uint16_t kSignature = 0x5A5A;
  // The standard geographic-address record: the bridge's word at BAR 0
  // offset 0x3AC, read directly (space 1) as 16 bits, shifted right by 8.
  static constexpr uint32_t kGeographicDescriptor = 0x00080201;
  // The FPGA's top block, parent of every engine.
  static constexpr uint16_t kRootUid = 1;

  explicit Board(const BoardOptions& options = {});
  ~Board() override;
  Board(const Board&) = delete;
  Board& operator=(const Board&) = delete;

  const BoardOptions& options() const { return options_; }
  Bar& bar0() { return *bars_.front(); }
  const Bar& bar0() const { return *bars_.front(); }
  Bar& bar(size_t index) { return *bars_.at(index); }
  size_t barCount() const { return bars_.size(); }
  // The window's bus address: physical for memory, a port for I/O.
  uint64_t barPhysicalAddress(size_t index) const { return physical_.at(index); }
  BoardOptions::BarKind barKind(size_t index) const;
  // The BAR register (0 to 5) that describes window `index`.
  uint32_t barRegister(size_t index) const;
  Bridge& bridge() { return bridge_; }
  FixedLogic& fixedLogic() { return fixedLogic_; }
  // The FPGA's register window (IRQ block, DMA FIFO control blocks).
  FpgaWindow& fpga() { return fpgaWindow_; }
  NorFlash& flash() { return flash_; }
  PciConfigSpace& config() { return config_; }

  // The kernel layer's handle of the function and the description it
  // offers the driver's add-device entry.
  uint64_t pciHandle() const { return handle_; }
  nVLZUK_tPCIDeviceDescription description() const;

  // Asserts the function's interrupt.
  void raiseInterrupt();

  bool configRead(uint32_t offset, unsigned width, uint32_t& value) override;
  bool configWrite(uint32_t offset, unsigned width, uint32_t value) override;
  RegisterPortModel& registerPort() { return registerPort_; }
  // The DAC behind the LO0 (0) or LO1 (1) CPLD.
  Ad9162& dac(unsigned lo) { return lo == 0 ? lo0Dac_ : lo1Dac_; }
  // The timing engine with `uid` (2400 or 2401); null when it is not placed.
  // Releases the list the list engine of timing engine `uid` holds at a
  // trigger wait, under the register port's lock; false when none is held.
  bool sendListTrigger(uint16_t uid);
  TimingEngineSubtree* timingEngine(uint16_t uid);

 private:
  static std::vector<std::unique_ptr<Bar>> makeBars(const BoardOptions& options);
  void buildConfigSpace();
  void buildCapabilities();
  void writeFlash();
  void placeTimingEngines();

  BoardOptions options_;
  NorFlash flash_;
  std::vector<std::unique_ptr<Bar>> bars_;
  Bridge bridge_;
  FpgaWindow fpgaWindow_;
  FixedLogic fixedLogic_;
  RegisterPortModel registerPort_;
  Ad9162 lo0Dac_;
  Ad9162 lo1Dac_;
  std::vector<std::unique_ptr<TimingEngineSubtree>> timingEngines_;
  PciConfigSpace config_;
  std::vector<uint64_t> physical_;
  uint64_t handle_;
};

}  // namespace sim

#endif
