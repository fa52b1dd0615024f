#include "BridgeWindow.h"

namespace sim {

BridgeWindow::BridgeWindow(unsigned index, RegisterFile& core, RegisterBlock& target)
    : index_(index), core_(core), target_(target) {}

uint32_t BridgeWindow::base() const { return static_cast<uint32_t>(core_.readable(kBaseRegisters + 4 * index_, 4)); }

uint32_t BridgeWindow::page() const { return static_cast<uint32_t>(core_.readable(kPageRegisters + 4 * index_, 4)); }

bool BridgeWindow::decodes(uint64_t offset, unsigned width) const {
  const uint32_t value = base();
  if ((value & kEnable) == 0) return false;
  const uint64_t start = value & ~uint32_t{0xFF};
  const uint64_t size = uint64_t{1} << (value & 31);
  return offset >= start && offset + width <= start + size;
}

uint32_t BridgeWindow::targetAddress(uint64_t offset) const {
  const uint32_t value = base();
  const uint32_t mask = ~uint32_t{0} << (value & 31);
  const uint64_t start = value & ~uint32_t{0xFF};
  return (page() & mask) | (static_cast<uint32_t>(offset - start) & ~mask);
}

uint32_t BridgeWindow::read(uint64_t offset, unsigned width) { return target_.read(targetAddress(offset), width); }

void BridgeWindow::write(uint64_t offset, unsigned width, uint32_t value) {
  target_.write(targetAddress(offset), width, value);
}

}  // namespace sim
