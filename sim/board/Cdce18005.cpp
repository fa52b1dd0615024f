#include "Cdce18005.h"

namespace sim {

Cdce18005::Cdce18005() {
  // Power-on values: registers 0-4 select their outputs' defaults.
  for (unsigned n = 0; n <= 4; ++n) registers_[n] = 0x81400000u + n;
  registers_[5] = 0x965;
  registers_[6] = 6;
}

uint32_t Cdce18005::reverse(uint32_t word) {
  uint32_t out = 0;
  for (unsigned bit = 0; bit < 32; ++bit) out |= ((word >> bit) & 1u) << (31 - bit);
  return out;
}

void Cdce18005::shift(uint32_t word, unsigned bits) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (bits != 32) {
    ++dropped_;
    return;
  }
  const uint32_t chipWord = reverse(word);
  registers_[chipWord & 0xF] = chipWord;
  ++taken_;
}

uint32_t Cdce18005::reg(unsigned number) const {
  std::lock_guard<std::mutex> lock(mutex_);
  return registers_.at(number);
}

size_t Cdce18005::wordsTaken() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return taken_;
}

size_t Cdce18005::wordsDropped() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return dropped_;
}

}  // namespace sim
