// An engine's timer block as its subsystem holds it, at a given offset:
// three read-only registers of its own at 0 to 2, two PLL counters (a
// settled flag and a value, read-only, and a read-write count at 1 to 3 of
// 0x30 and 0x70) and nine settling timers (a running and a settled flag and
// an elapsed count, read-only; a read-write settling time, a write-only
// restart and a read-write control word at 0 to 5 of each timer's base).
// All registers are 32 bits wide.
#ifndef VL9738K_SIM_BOARD_TIMER_BLOCK_MODEL_H
#define VL9738K_SIM_BOARD_TIMER_BLOCK_MODEL_H

#include <array>
#include <cstdint>

#include "InstructionBlockModel.h"

namespace sim {

class TimerBlockModel : public InstructionBlockModel {
 public:
  static constexpr std::array<uint32_t, 2> kPllCounterBases{0x30, 0x70};
  static constexpr std::array<uint32_t, 9> kSettlingTimerBases{0x10,  0x20,  0x60,  0xA0, 0xE0,
                                                               0x120, 0x160, 0x1A0, 0x1E0};

  explicit TimerBlockModel(uint32_t offset = 0);

  uint32_t offset() const { return offset_; }
  // The address of register `index` of a sub-block.
  uint32_t pllCounter(unsigned counter, uint32_t index) const { return offset_ + kPllCounterBases[counter] + index; }
  uint32_t settlingTimer(unsigned timer, uint32_t index) const { return offset_ + kSettlingTimerBases[timer] + index; }

 private:
  uint32_t offset_;
};

}  // namespace sim

#endif
