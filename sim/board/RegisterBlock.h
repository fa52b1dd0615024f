// A block of device registers inside a BAR: answers the bus accesses that
// fall into its range. Offsets count from the start of the block. A device
// behind a bridge window (the NOR flash) is a block of its own address
// space, reached at the addresses the window translates to.
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

// A range of a BAR whose place is decoded from registers at each access
// (a bridge window that the driver can move, enable and disable).
// Offsets count from the start of the BAR.
class Aperture {
 public:
  virtual ~Aperture() = default;
  virtual bool decodes(uint64_t offset, unsigned width) const = 0;
  virtual uint32_t read(uint64_t offset, unsigned width) = 0;
  virtual void write(uint64_t offset, unsigned width, uint32_t value) = 0;
};

}  // namespace sim

#endif
