// The auxiliary interface at the start of each CPLD's window in the fixed
// logic (Ref 0x4000, LO0 0x8000, LO1 0xC000): the CPLD's revision words,
// which give the range of driver versions it works with (0x04 the newest,
// 0x08 the oldest), and its setup word at 0x10, whose bit 0 is the strobe
// that completes the link bring-up the CPLD's endpoint started. Setup and
// status share 0x10 and 0x14, each pair as two registers.
#ifndef VL9738K_SIM_BOARD_CPLD_AUX_MODEL_H
#define VL9738K_SIM_BOARD_CPLD_AUX_MODEL_H

#include <cstdint>

#include "RegisterFile.h"

namespace sim {

class CpldAuxModel {
 public:
  static constexpr unsigned kCount = 3;
  static constexpr uint64_t kWindow[kCount] = {0x4000, 0x8000, 0xC000};  // Ref, LO0, LO1
  static constexpr uint64_t kWindowSize = 0x4000;
  static constexpr uint64_t kRevision = 0x04;
  static constexpr uint64_t kOldestRevision = 0x08;
  static constexpr uint64_t kSetup = 0x10;
  static constexpr uint64_t kLiteSetup = 0x14;
  static constexpr uint32_t kLinkStrobe = 1u << 0;
  static constexpr uint32_t kSetupStrobes = 0x3;
  // Status bit 0, read at the setup word: the CPLD is ready.
  static constexpr uint32_t kReady = 1u << 0;
  // What the factory's CPLDs report: ranges the driver accepts.
  static constexpr uint32_t kRefRange[2] = {0x18072613, 0x21120915};
  static constexpr uint32_t kLoRange[2] = {0x18060812, 0x19050613};

  explicit CpldAuxModel(RegisterFile& registers);

  // The CPLD whose window holds `offset`, or kCount.
  static unsigned cpldAt(uint64_t offset);
  // Takes a 32-bit write to a CPLD's setup word (false for any other
  // address); `strobed` tells whether it carried the link strobe.
  bool write(uint64_t offset, uint32_t value, bool& strobed);

  // The range CPLD `cpld` reports: oldest at 0x08, newest at 0x04.
  void setRevisionRange(unsigned cpld, uint32_t oldest, uint32_t newest);
  void setReady(unsigned cpld, bool ready);
  uint64_t linkStrobes(unsigned cpld) const { return strobes_[cpld]; }

 private:
  RegisterFile& registers_;
  uint64_t strobes_[kCount] = {};
};

}  // namespace sim

#endif
