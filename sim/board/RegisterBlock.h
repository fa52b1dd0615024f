// A block of device registers inside a BAR: answers the bus accesses that
// fall into its range. Offsets count from the start of the block.
#ifndef VL9738K_SIM_BOARD_REGISTER_BLOCK_H
#define VL9738K_SIM_BOARD_REGISTER_BLOCK_H

#include <cstdint>

namespace sim {

class RegisterBlock {
 public:
  virtual ~RegisterBlock() = default;
  virtual uint32_t read(uint64_t offset, unsigned width) = 0;
  virtual void write(uint64_t offset, unsigned width, uint32_t value) = 0;
};

}  // namespace sim

#endif
