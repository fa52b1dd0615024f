// A plain register file: what the bus writes is what it reads back, except
// at split addresses, where a write-only register and a read-only register
// share one address (a control word written, a status word read) and keep
// distinct values. The read side is the BAR's own backing memory, so the
// driver's plain 64-bit loads see what a 32-bit read would.
#ifndef VL9738K_SIM_BOARD_REGISTER_FILE_H
#define VL9738K_SIM_BOARD_REGISTER_FILE_H

#include <cstdint>
#include <vector>

#include "LittleEndian.h"
#include "RegisterBlock.h"

namespace sim {

class RegisterFile : public RegisterBlock {
 public:
  // `readSide` is the block's part of the backing memory, `size` bytes long.
  RegisterFile(uint8_t* readSide, uint64_t size);

  // From now on the `width` bytes at `offset` keep written and read values apart.
  void split(uint64_t offset, unsigned width);

  uint32_t read(uint64_t offset, unsigned width) override;
  void write(uint64_t offset, unsigned width, uint32_t value) override;

  // What the bus last wrote (0 before any write).
  uint64_t written(uint64_t offset, unsigned width) const;
  // What a bus read returns; the model (or a test) sets it. Inline: the
  // bridge windows read their place at every access they decode.
  uint64_t readable(uint64_t offset, unsigned width) const {
    if (!inside(offset, width)) return ~uint64_t{0} >> (64 - 8 * width);
    return loadLittle(readSide_ + offset, width);
  }
  void setReadable(uint64_t offset, unsigned width, uint64_t value);

  uint64_t size() const { return size_; }

 private:
  bool inside(uint64_t offset, unsigned width) const { return width <= size_ && offset <= size_ - width; }

  uint8_t* readSide_;
  uint64_t size_;
  std::vector<uint8_t> written_;
  std::vector<uint8_t> split_;
};

}  // namespace sim

#endif
