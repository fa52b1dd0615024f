#include "HostMemoryBufferBlock.h"

namespace sim {

HostMemoryBufferBlock::HostMemoryBufferBlock(FpgaWindow& window, uint64_t base, uint32_t identity,
                                             uint32_t capabilities, uint32_t registerPage)
    : window_(window), base_(base), identity_(identity), capabilities_(capabilities), registerPage_(registerPage) {
  window.attach(base, kSize, *this);
}

uint32_t HostMemoryBufferBlock::reg(uint64_t blockOffset) const {
  if (blockOffset == 0x00) return identity_;
  if (blockOffset == 0x18) return capabilities_;
  if (blockOffset == 0x1C) return registerPage_;
  auto found = registers_.find(blockOffset);
  return found == registers_.end() ? 0 : found->second;
}

uint32_t HostMemoryBufferBlock::read(uint64_t offset, unsigned) { return reg(offset - base_); }

void HostMemoryBufferBlock::write(uint64_t offset, unsigned, uint32_t value) {
  const uint64_t reg = offset - base_;
  writes_.emplace_back(reg, value);
  if (reg != 0x00 && reg != 0x18 && reg != 0x1C) registers_[reg] = value;
}

}  // namespace sim
