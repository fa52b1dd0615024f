// The board's NOR flash as the controller drives it: the JEDEC command
// cycles of a word program and of a sector erase, how long each may keep
// the part busy and how often to look, and the erase sector. Command
// addresses are byte addresses of the part, used as they are; each value
// goes out as a 16-bit word with the command in the low byte.
#ifndef VL9738K_FLASH_FLASHCHIPDESCRIPTION_H
#define VL9738K_FLASH_FLASHCHIPDESCRIPTION_H

#include <stdint.h>

namespace nVL9738K_24_0 {

struct FlashCommandCycle {
  uint32_t address;
  uint16_t value;
};

struct FlashChipDescription {
  static constexpr FlashCommandCycle kProgram[] = {{0xAAA, 0xAA}, {0x554, 0x55}, {0xAAA, 0xA0}};
  // The sector address then takes kSectorEraseConfirm.
  static constexpr FlashCommandCycle kErase[] = {
      {0xAAA, 0xAA}, {0x554, 0x55}, {0xAAA, 0x80}, {0xAAA, 0xAA}, {0x554, 0x55}};
  static constexpr uint16_t kSectorEraseConfirm = 0x30;
  static constexpr uint32_t kProgramCycleCount = 3;
  static constexpr uint32_t kEraseCycleCount = 5;

  // A programmed word is looked at every 60 us for at most 300 us on the
  // monotonic counter; an erased sector every 500 ms for at most 3.5 s on
  // the timer tick.
  static constexpr uint32_t kProgramTimeoutUs = 300;
  static constexpr uint32_t kProgramPollUs = 60;
  static constexpr uint32_t kEraseTimeoutUs = 3'500'000;
  static constexpr uint32_t kErasePollUs = 500'000;

  static constexpr uint32_t kSectorSize = 0x10000;

  // Entries past a sequence's end read as an empty cycle.
  static constexpr FlashCommandCycle programCycle(uint32_t index) {
    return index < kProgramCycleCount ? kProgram[index] : FlashCommandCycle{0, 0};
  }
  static constexpr FlashCommandCycle eraseCycle(uint32_t index) {
    return index < kEraseCycleCount ? kErase[index] : FlashCommandCycle{0, 0};
  }
};

}  // namespace nVL9738K_24_0

#endif
