// The Ref CPLD's word space in the fixed-logic window (0x4000-0x7FFF): the
// CPLD's own registers and the blocks behind it, each chip register of the
// AD9512 (at +0x200) and the HMC703 (at +0x400) one 32-bit word at 4 x its
// chip address, as the CPLD performs the serial transfers. The model lives
// in the fixed-logic window's register file and adds what the hardware does
// beyond storing words:
// - the auxiliary interface reports the CPLD ready (SlaveStatus bit 0) and
//   clears its setup commands once taken;
// - the temperature block reports a code in its readback word;
// - PllHmc703 latches each path's select (bits 8 and 16) when a write
//   carries it, so one write selects one path without dropping the other;
//   bit 17 follows path 1's latch, and bit 9 reports the PLL locked once it
//   is powered (bit 0), out of reset (bit 2) and programmed (its
//   fractional-frequency word written since the last reset). A write that
//   puts the running PLL into reset drops the lock and both latches. The command
//   bits 0, 1, 2 and 10 never read back; BoardRevision is read-only;
// - the HMC703's word 0 reads the chip id while the chip is powered and
//   out of reset (else 0), and takes soft-reset strobes;
//   the AD9512 takes over its settings on an UpdateRegs strobe.
// Offsets below count from the CPLD's start unless they say otherwise.
#ifndef VL9738K_SIM_BOARD_REF_CPLD_SPACE_H
#define VL9738K_SIM_BOARD_REF_CPLD_SPACE_H

#include <cstdint>

#include "RegisterFile.h"

namespace sim {

class RefCpldSpace {
 public:
  // In the fixed-logic window.
  static constexpr uint64_t kBase = 0x4000;
  static constexpr uint64_t kSize = 0x4000;

  // Blocks.
  static constexpr uint64_t kAux = 0x000;
  static constexpr uint64_t kTemperature = 0x100;
  static constexpr uint64_t kAd9512 = 0x200;
  static constexpr uint64_t kHmc703 = 0x400;
  // The CPLD's own registers.
  static constexpr uint64_t kOcxoPower = 0x120;
  static constexpr uint64_t kClkPath = 0x124;
  static constexpr uint64_t kOcxoCtrlDac = 0x128;
  static constexpr uint64_t kPllHmc703 = 0x12C;
  static constexpr uint64_t kRefOut = 0x138;
  static constexpr uint64_t kBoardRevision = 0x13C;
  // The reference routed to each LO path (bits 1..0), LO0 then LO1.
  static constexpr uint64_t kRefClkToLo[2] = {0x160, 0x170};
  // Words with a behaviour.
  static constexpr uint64_t kSlaveSetup = kAux + 0x10;  // SlaveStatus when read
  static constexpr uint64_t kAuxLiteSetup = kAux + 0x14;
  static constexpr uint64_t kTemperatureReadback = kTemperature + 0x04;
  static constexpr uint64_t kAd9512UpdateRegs = kAd9512 + 4 * 0x5A;
  static constexpr uint64_t kHmc703ChipId = kHmc703 + 0x00;  // ResetStrobeReg when written

  static constexpr uint32_t kChipId = 0x0012E6E0;
  static constexpr uint32_t kSlaveReady = 1u << 0;
  static constexpr uint32_t kHmc703SoftReset = 1u << 6;
  // PllHmc703: the commands the hardware cannot report, the enables it
  // reads back and the status bits beside them.
  static constexpr uint32_t kPllCommands = 0x407;
  static constexpr uint32_t kPllEnables = (1u << 8) | (1u << 16);
  static constexpr uint32_t kPllPower = 1u << 0;
  static constexpr uint32_t kPllRun = 1u << 2;
  static constexpr uint32_t kPllLock = 1u << 9;
  static constexpr uint64_t kHmc703FrequencyFractional = kHmc703 + 0x10;

  // `registers` is the whole fixed-logic window's register file.
  explicit RefCpldSpace(RegisterFile& registers);

  // Whether a fixed-logic offset falls into the CPLD's space.
  static bool contains(uint64_t fixedLogicOffset) {
    return fixedLogicOffset >= kBase && fixedLogicOffset < kBase + kSize;
  }
  // After the register file stored a 32-bit write at a fixed-logic offset
  // inside the CPLD's space.
  void written(uint64_t fixedLogicOffset, uint32_t value);

  // What the CPLD holds at an offset from the driver's writes.
  uint32_t word(uint64_t offset) const { return static_cast<uint32_t>(registers_.written(kBase + offset, 4)); }
  uint32_t ad9512(unsigned chipAddress) const { return word(kAd9512 + 4 * chipAddress); }
  uint32_t hmc703(unsigned chipAddress) const { return word(kHmc703 + 4 * chipAddress); }
  uint32_t refClkToLo(unsigned lo) const { return word(kRefClkToLo[lo]); }
  uint64_t hmc703Resets() const { return hmc703Resets_; }
  uint64_t ad9512Updates() const { return ad9512Updates_; }
  bool pllLocked() const { return pllLocked_; }

  // Knobs: a PLL that never locks, and an HMC703 whose id word is wrong.
  void setPllNeverLocks(bool never);
  void setHmc703ChipIdWrong(bool wrong);

  void setReady(bool ready);
  void setBoardRevision(uint32_t revision);
  // The sensor's 14-bit two's-complement code, 1/32 degree C per step.
  void setTemperatureCode(int16_t code);

 private:
  void setReadable(uint64_t offset, uint32_t value) { registers_.setReadable(kBase + offset, 4, value); }
  uint32_t readable(uint64_t offset) const { return static_cast<uint32_t>(registers_.readable(kBase + offset, 4)); }
  // The hardware clears `strobes` once taken: the word keeps the rest.
  bool takeStrobes(uint64_t offset, uint32_t value, uint32_t strobes);
  void pllWritten(uint32_t value);
  // Refreshes what PllHmc703 and the chip id word read.
  void updatePll();

  uint32_t pllControl_ = 0;
  uint32_t selectLatches_ = 0;
  bool pllProgrammed_ = false;
  bool pllLocked_ = false;
  bool pllNeverLocks_ = false;
  bool chipIdWrong_ = false;

  RegisterFile& registers_;
  uint64_t hmc703Resets_ = 0;
  uint64_t ad9512Updates_ = 0;
};

}  // namespace sim

#endif
