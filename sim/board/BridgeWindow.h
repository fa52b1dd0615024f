// One of the bridge chip's eight paged windows ("configuration-port
// windows"). Its base register (0xC0 + 4n) places it: bits 31-8 its offset
// inside BAR 0, bit 7 enables it, bits 4-0 its size as a power of two; its
// page register (0xE0 + 4n) holds the upper part of the address behind it.
// An access at BAR offset o inside an enabled window reaches the target at
// (page & mask) | (o - window offset), mask = 0xFFFFFFFF << size. The
// registers are read at every access, so moving or closing the window takes
// effect at once, as it does in the chip.
#ifndef VL9738K_SIM_BOARD_BRIDGE_WINDOW_H
#define VL9738K_SIM_BOARD_BRIDGE_WINDOW_H

#include <cstdint>

#include "RegisterBlock.h"
#include "RegisterFile.h"

namespace sim {

class BridgeWindow : public Aperture {
 public:
  static constexpr uint64_t kBaseRegisters = 0xC0;
  static constexpr uint64_t kPageRegisters = 0xE0;
  static constexpr uint32_t kEnable = 0x80;

  // `core` is the bridge's core register block (at BAR offset 0).
  BridgeWindow(unsigned index, RegisterFile& core, RegisterBlock& target);

  bool decodes(uint64_t offset, unsigned width) const override;
  uint32_t read(uint64_t offset, unsigned width) override;
  void write(uint64_t offset, unsigned width, uint32_t value) override;

  // The address behind the window that a BAR offset reaches now.
  uint32_t targetAddress(uint64_t offset) const;

 private:
  uint32_t base() const;
  uint32_t page() const;

  unsigned index_;
  RegisterFile& core_;
  RegisterBlock& target_;
};

}  // namespace sim

#endif
