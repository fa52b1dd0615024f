// The FPGA's host-memory-buffer block at an offset of the FPGA window, in
// either layout: identity 0x0DDBA111 (one region: enable at 0x04, address
// at 0x0C/0x10) or 0xDEBBB0FF (a capabilities word at 0x18, a command
// register at 0x14, a secondary region at 0x20..0x28 and 32 region
// descriptors from 0x100 in steps of 16). Identity, capabilities and the
// register-page offset (0x1C) are read-only; every write is logged with its
// block offset. `clear` forgets the programmed regions, as a download does.
#ifndef VL9738K_SIM_BOARD_HOST_MEMORY_BUFFER_BLOCK_H
#define VL9738K_SIM_BOARD_HOST_MEMORY_BUFFER_BLOCK_H

#include <cstdint>
#include <map>
#include <utility>
#include <vector>

#include "FpgaWindow.h"

namespace sim {

class HostMemoryBufferBlock : public RegisterBlock {
 public:
  static constexpr uint32_t kIdentitySingle = 0x0DDBA111;
  static constexpr uint32_t kIdentityTable = 0xDEBBB0FF;
  static constexpr uint64_t kSize = 0x300;

  HostMemoryBufferBlock(FpgaWindow& window, uint64_t base, uint32_t identity, uint32_t capabilities = 0,
                        uint32_t registerPage = 0);

  ~HostMemoryBufferBlock() override { window_.detach(*this); }
  HostMemoryBufferBlock(const HostMemoryBufferBlock&) = delete;
  HostMemoryBufferBlock& operator=(const HostMemoryBufferBlock&) = delete;

  uint32_t read(uint64_t offset, unsigned width) override;
  void write(uint64_t offset, unsigned width, uint32_t value) override;

  uint32_t reg(uint64_t blockOffset) const;
  void clear() { registers_.clear(); }
  const std::vector<std::pair<uint64_t, uint32_t>>& writes() const { return writes_; }
  void forgetWrites() { writes_.clear(); }

 private:
  FpgaWindow& window_;
  uint64_t base_;
  uint32_t identity_;
  uint32_t capabilities_;
  uint32_t registerPage_;
  std::map<uint64_t, uint32_t> registers_;
  std::vector<std::pair<uint64_t, uint32_t>> writes_;
};

}  // namespace sim

#endif
