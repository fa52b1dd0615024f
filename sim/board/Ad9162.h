// The AD9162 DAC of an LO path as its LO CPLD shows it (at 0x200 of the
// CPLD's window): each 8-bit chip register is one 32-bit CPLD word at 4 x
// its chip address, and the CPLD performs the serial transfer, so a 32-bit
// write sets the register to the word's low byte and a 32-bit read returns
// the register in the low byte. Other widths and unaligned accesses reach
// no register. The identity registers hold the chip's values whatever is
// written; the private start-up handshake reports done (register 0x604 bit
// 1) once its bit 0 has been written, unless a test holds it back. Tests
// can read every register, set what the chip reports and count writes.
#ifndef VL9738K_SIM_BOARD_AD9162_H
#define VL9738K_SIM_BOARD_AD9162_H

#include <array>
#include <cstdint>
#include <mutex>

#include "Bar.h"

namespace sim {

class Ad9162 : public RegisterBlock {
 public:
  static constexpr uint64_t kCpldOffset = 0x200;
  static constexpr unsigned kRegisters = 0x801;
  static constexpr uint64_t kSize = 4 * kRegisters;
  // Identity registers and what they report.
  static constexpr unsigned kChipType = 0x003;
  static constexpr unsigned kProductIdLow = 0x004;
  static constexpr unsigned kProductIdHigh = 0x005;
  static constexpr unsigned kChipGrade = 0x006;
  static constexpr uint8_t kChipTypeValue = 0x04;
  static constexpr uint16_t kProductId = 0x9162;
  static constexpr uint8_t kChipGradeValue = 0x02;
  // The start-up handshake: bit 0 written starts it, bit 1 reads done.
  static constexpr unsigned kStartUp = 0x604;

  // Attaches the chip in BAR 0 at the fixed-logic offset of its CPLD's
  // window (0x8000 or 0xC000) plus kCpldOffset.
  Ad9162(Bar& bar0, uint64_t cpldWindow);

  uint32_t read(uint64_t offset, unsigned width) override;
  void write(uint64_t offset, unsigned width, uint32_t value) override;

  // What the register holds (a read returns it).
  uint8_t reg(unsigned address) const;
  // Sets what the chip reports, identity registers included.
  void setReg(unsigned address, uint8_t value);
  // Writes that reached the register.
  uint64_t writesTo(unsigned address) const;
  // A held start-up never reports done.
  void holdStartUp(bool held);

 private:
  static bool identity(unsigned address) { return address >= kChipType && address <= kChipGrade; }

  mutable std::mutex mutex_;
  std::array<uint8_t, kRegisters> registers_{};
  std::array<uint64_t, kRegisters> writes_{};
  bool startUpHeld_ = false;
};

}  // namespace sim

#endif
