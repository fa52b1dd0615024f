// The board's CDCE18005 clock buffer on SPI port 3: it takes 32-bit words
// most significant bit first (the port sends least significant bit first,
// so the bus word is the chip's word reversed); the low four bits of a
// word name the register it is for. Shifts of any other length are
// dropped, as the chip latches only on a full word.
#ifndef VL9738K_SIM_BOARD_CDCE18005_H
#define VL9738K_SIM_BOARD_CDCE18005_H

#include <array>
#include <cstdint>
#include <mutex>

#include "SpiPorts.h"

namespace sim {

class Cdce18005 : public SpiDevice {
 public:
  static constexpr unsigned kPort = 3;
  static constexpr unsigned kRegisters = 16;

  Cdce18005();

  void shift(uint32_t word, unsigned bits) override;

  uint32_t reg(unsigned number) const;
  size_t wordsTaken() const;
  size_t wordsDropped() const;

  static uint32_t reverse(uint32_t word);

 private:
  mutable std::mutex mutex_;
  std::array<uint32_t, kRegisters> registers_{};
  size_t taken_ = 0;
  size_t dropped_ = 0;
};

}  // namespace sim

#endif
