// The AD9162 DAC of an LO path as its LO CPLD shows it (at 0x200 of the
// CPLD's window): each 8-bit chip register is one 32-bit CPLD word at 4 x
// its chip address, and the CPLD performs the serial transfer, so a 32-bit
// write sets the register to the word's low byte and a 32-bit read returns
// the register in the low byte. Other widths and unaligned accesses reach
// no register. The identity registers hold the chip's values whatever is
// written; the private start-up handshake reports done (register 0x604 bit
// 1) once its bit 0 has been written, at once or after a number of reads,
// unless a test holds it back. The NCO runs on the tuning word and modulus
// it took over at the last rising edge of the update strobe (0x113 bit 0);
// a rising edge of the temperature update bit (0x134 bit 0) latches the die
// temperature code into 0x132 (low) and 0x133 (high). Tests can read every
// register, set what the chip reports and count writes.
#ifndef VL9738K_SIM_BOARD_AD9162_H
#define VL9738K_SIM_BOARD_AD9162_H

#include <array>
#include <cstdint>
#include <mutex>
#include <vector>

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
  // The NCO: update strobe, tuning word, modulus and delta, each word six
  // registers, least significant byte first.
  static constexpr unsigned kFtwUpdate = 0x113;
  static constexpr unsigned kFtw = 0x114;
  static constexpr unsigned kAccModulus = 0x124;
  static constexpr unsigned kAccDelta = 0x12A;
  // The die-temperature sensor.
  static constexpr unsigned kTempLsb = 0x132;
  static constexpr unsigned kTempMsb = 0x133;
  static constexpr unsigned kTempUpdate = 0x134;

  // What the NCO runs on.
  struct Nco {
    uint64_t ftw = 0;
    uint64_t accDelta = 0;
    uint64_t accModulus = 0;
    bool operator==(const Nco&) const = default;
  };

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
  // Done shows from the given read of the register after the start (the
  // first read is 1); 0 shows it at once.
  void setStartUpReadsBeforeDone(unsigned reads);
  // Virtual clock readings (ns) of every read of the start-up register.
  std::vector<uint64_t> startUpReadTimes() const;

  Nco nco() const;
  // Strobe rising edges taken so far.
  uint64_t ncoUpdates() const;
  void setDieTemperatureCode(uint16_t code);

 private:
  static bool identity(unsigned address) { return address >= kChipType && address <= kChipGrade; }

  mutable std::mutex mutex_;
  std::array<uint8_t, kRegisters> registers_{};
  std::array<uint64_t, kRegisters> writes_{};
  uint64_t word(unsigned first) const;

  bool startUpHeld_ = false;
  unsigned readsBeforeDone_ = 0;
  unsigned startUpReads_ = 0;
  bool startUpStarted_ = false;
  std::vector<uint64_t> startUpReadTimes_;
  Nco nco_;
  uint64_t ncoUpdates_ = 0;
  // About 25 degrees C until a test changes it.
  uint16_t dieTemperature_ = 33170;
};

}  // namespace sim

#endif
