// The FPGA's fixed-logic window in BAR 0 (0xA0000, 128 KiB) as the bus sees
// it: the core-board, JTAG, private, board-control and CPLD configuration
// blocks. Its routing-register block (kRouting, 32 KiB) is the FPGA's
// register port, modelled on its own (RegisterPortModel) and attached
// inside this window. Where a control word is written and a status word read
// at one address the two stay apart; read-only registers ignore writes;
// strobe bits clear themselves once written (and are counted); the status
// words follow what the driver writes as the hardware's would: card power
// reports its rails good, the card subsystem status follows its disables,
// a CPLD link comes up once its endpoint is set up and the CPLD strobed
// (CpldAuxModel). Tests can inspect and
// change every value (heat the board, keep a link down).
#ifndef VL9738K_SIM_BOARD_FIXED_LOGIC_H
#define VL9738K_SIM_BOARD_FIXED_LOGIC_H

#include <cstddef>
#include <cstdint>
#include <map>
#include <vector>

#include "Bar.h"
#include "CpldAuxModel.h"
#include "RefCpldSpace.h"
#include "RegisterFile.h"
#include "sim/kernel/RecentLog.h"

namespace sim {

class FixedLogic : public RegisterBlock {
 public:
  static constexpr uint64_t kBarOffset = 0xA0000;
  static constexpr uint64_t kSize = 0x20000;
  static constexpr uint32_t kBoardSignature = 0x5B314F56;

  // Blocks, as offsets in the window.
  static constexpr uint64_t kCoreBoard = 0x000;
  static constexpr uint64_t kJtag = 0x100;
  static constexpr uint64_t kPrivate = 0x200;
  static constexpr uint64_t kBoardControl = 0x1000;
  static constexpr uint64_t kCpldConfig[3] = {0x2000, 0x2100, 0x2200};  // Ref, LO0, LO1
  static constexpr uint64_t kRouting = 0x18000;
  // The LO CPLDs' windows and, in each, the LO board's control block:
  // attenuator, signal path, external-LO routing, board revision.
  static constexpr uint64_t kLoCpld[2] = {0x8000, 0xC000};
  static constexpr uint64_t kLoBoardControl = 0x120;

  // Registers the model gives a behaviour, as offsets in the window.
  static constexpr uint64_t kRefCardPower = kBoardControl + 0x00;
  static constexpr uint64_t kLoCardPower = kBoardControl + 0x04;
  static constexpr uint64_t kRefCardSS = kBoardControl + 0x08;
  static constexpr uint64_t kLoCardSS = kBoardControl + 0x0C;
  static constexpr uint64_t kRefOutAlignment = kBoardControl + 0x30;
  static constexpr uint64_t kLockDetector = kBoardControl + 0x34;
  static constexpr uint64_t kJtagControl = kJtag + 0x04;
  static constexpr uint64_t kThermalSetup = kPrivate + 0x08;
  static constexpr uint64_t kThermalStatus = kPrivate + 0x18;
  static constexpr uint64_t kLo0TemperatureControl = 0x8100;
  static constexpr uint64_t kLo0TemperatureReadback = 0x8104;
  static constexpr uint64_t kCrossSwitch = 0xC140;
  // Within a CPLD configuration block.
  static constexpr uint64_t kEndpointSetup = 0x00;
  static constexpr uint64_t kAuxSetup = 0x08;
  static constexpr uint64_t kMutex = 0x24;

  // Status bits.
  static constexpr uint32_t kOverTemperature = 1u << 4;
  static constexpr uint32_t kAuxLinkUp = 1u << 8;

  // A 32-bit write and the virtual time it happened at. The last
  // kKeptWrites are kept, so that a long run's board stays bounded; a test
  // that reads them after the oldest were dropped stops the process, since
  // it would otherwise check a part and pass.
  static constexpr size_t kKeptWrites = 16384;
  struct TimedWrite {
    uint64_t offset;
    uint32_t value;
    uint64_t ns;
  };

  explicit FixedLogic(Bar& bar0);

  uint32_t read(uint64_t offset, unsigned width) override;
  void write(uint64_t offset, unsigned width, uint32_t value) override;

  // written(): what the register holds from the driver's writes, strobes
  // already cleared; readable() / setReadable(): what a read returns.
  RegisterFile& registers() { return registers_; }
  const RegisterFile& registers() const { return registers_; }
  // The Ref CPLD's word space (0x4000-0x7FFF) with the chips behind it.
  RefCpldSpace& refCpld() { return refCpld_; }
  // The word `index` (0 to 3) of an LO board's control block, as written.
  uint32_t loBoardControl(unsigned lo, unsigned index) const {
    return static_cast<uint32_t>(registers_.written(kLoCpld[lo] + kLoBoardControl + 4 * index, 4));
  }

  // Writes that had strobe `bit` of the register at `offset` set.
  uint64_t strobePulses(uint64_t offset, unsigned bit) const;

  void setOverTemperature(bool hot);
  // The reference-output alignment: a write with bit 31 starts it for the
  // source in bits 0-2 (2 PXI Express: status bits 9 and 11; 4 REF IN:
  // bits 9, 10 and 11). Only the bits in `bits` can ever come up (0: an
  // alignment that never finishes).
  void limitAlignmentBits(uint32_t bits) { alignmentBits_ = bits; }
  // The LO CPLDs' blocks: the LO0 sensor's 14-bit code (1/32 degree C) and
  // the cross-switch control word the LO1 CPLD holds.
  static constexpr int16_t kRoomTemperatureCode = 25 * 32;
  void setLo0TemperatureCode(int16_t code);
  uint32_t crossSwitch() const { return static_cast<uint32_t>(registers_.written(kCrossSwitch, 4)); }
  // A link held down never reports up, whatever its endpoint is told.
  void holdCpldLinkDown(unsigned cpld, bool down);
  bool cpldLinkUp(unsigned cpld) const;
  // LO rails that never report good, whatever the card power is told.
  void holdLoPowerDown(bool down);
  CpldAuxModel& cplds() { return cplds_; }
  std::vector<TimedWrite> timedWrites() const;

 private:
  void applyStrobes(uint64_t offset, uint32_t value);
  void updateStatus(uint64_t offset, uint32_t value);
  void updateCpld(unsigned cpld, uint64_t offset, uint32_t value);

  RegisterFile registers_;
  RefCpldSpace refCpld_{registers_};
  std::map<uint64_t, uint32_t> strobes_;  // offset -> strobe mask
  std::map<std::pair<uint64_t, unsigned>, uint64_t> pulses_;
  bool linkHeldDown_[3] = {};
  uint32_t alignmentBits_ = 0xE00;
  // Endpoints set up for a link; the CPLD's strobe then brings it up.
  bool linkArmed_[3] = {};
  bool loPowerHeldDown_ = false;
  CpldAuxModel cplds_;
  RecentLog<TimedWrite> timedWrites_{kKeptWrites};
};

}  // namespace sim

#endif
