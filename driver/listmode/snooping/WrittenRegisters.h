// The registers of one map that list recordings wrote, as a bitmap of its
// 32-bit words.
#ifndef VL9738K_LISTMODE_SNOOPING_WRITTENREGISTERS_H
#define VL9738K_LISTMODE_SNOOPING_WRITTENREGISTERS_H

#include <stdint.h>

namespace SnoopingManager::internal {

// The registers a recording wrote, by bus address: their shadows hold the
// recorded values, which the hardware receives only if the list runs.
// Addresses count from the map's own origin (where its offset 0 lies on the
// bus), not from the window's start: the snooped maps sit high in their
// CPLD windows. CPLD words are 32-bit, so one bit per word covers a DAC's
// whole map; an address outside the bitmap makes the whole map count as
// written.
class WrittenRegisters {
 public:
  static constexpr uint32_t kWords = 0x810;

  explicit WrittenRegisters(uint32_t origin = 0) : origin_(origin) {}

  // A record kept across bring-ups meets the maps of each: words noted
  // against another origin cannot be placed, so the whole map counts.
  void adoptOrigin(uint32_t origin) {
    if (origin == origin_) return;
    for (uint32_t& bits : bits_) {
      if (bits != 0) overflow_ = 1;
      bits = 0;
    }
    origin_ = origin;
  }

  void note(uint32_t address) {
    // Below the origin wraps past the bitmap, so it counts as the whole map.
    const uint32_t word = (address - origin_) >> 2;
    if (word >= kWords) {
      overflow_ = 1;
      return;
    }
    bits_[word >> 5] |= 1u << (word & 31);
  }
  // Calls `markAll()` when an address fell outside the bitmap, else
  // `mark(first, last)` for each written word.
  template <typename tMark, typename tMarkAll>
  void visit(tMark mark, tMarkAll markAll) const {
    if (overflow_ != 0) {
      markAll();
      return;
    }
    for (uint32_t word = 0; word < kWords; ++word) {
      if ((bits_[word >> 5] >> (word & 31) & 1u) != 0) mark(origin_ + (word << 2), origin_ + (word << 2) + 3);
    }
  }
  // Adds these words to `into` (of the same origin), then forgets them.
  void drainInto(WrittenRegisters& into) {
    for (uint32_t i = 0; i < sizeof(bits_) / sizeof(bits_[0]); ++i) {
      into.bits_[i] |= bits_[i];
      bits_[i] = 0;
    }
    into.overflow_ |= overflow_;
    overflow_ = 0;
  }

 private:
  uint32_t origin_;
  // Rounded up: the map's last words share the final bitmap word.
  uint32_t bits_[(kWords + 31) / 32] = {};
  uint8_t overflow_ = 0;
};

}  // namespace SnoopingManager::internal

#endif
