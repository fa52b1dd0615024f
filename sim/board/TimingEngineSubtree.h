// One timing engine of the FPGA as its subsystem holds it: the engine
// (2400 generation, 2401 acquisition) with, at distinct offsets of the one
// subsystem, its register block (2402 or 2403), its timer container (1699)
// holding the timer block (1680, settled flags raised) and the snooping
// context (1704 or 1703), and its list engine (2404).
//
// The snooping context is a window onto the fixed-logic block: what the
// list engine writes or reads there reaches the fixed logic at the same
// offset, as the board's own traffic, so a list replays the register writes
// a driver made directly through that window.
#ifndef VL9738K_SIM_BOARD_TIMING_ENGINE_SUBTREE_H
#define VL9738K_SIM_BOARD_TIMING_ENGINE_SUBTREE_H

#include <cstdint>

#include "Bar.h"
#include "EngineBlockModel.h"
#include "ListEngineModel.h"
#include "RegisterPortModel.h"
#include "TimerBlockModel.h"

namespace sim {

class TimingEngineSubtree : public SubsystemModel {
 public:
  static constexpr uint16_t kGenerationUid = 2400;
  static constexpr uint16_t kAcquisitionUid = 2401;
  static constexpr uint16_t kTimerContainerUid = 1699;
  static constexpr uint16_t kTimerBlockUid = 1680;
  static constexpr uint16_t kListEngineUid = 2404;
  static constexpr uint32_t kTimerOffset = 0x400;
  static constexpr uint32_t kListEngineOffset = 0x800;
  static constexpr uint32_t kSnoopingOffset = 0x100000;
  // List mode on, p-code version 1, three triggers and two events, 0x28
  // engine ticks per time unit.
  static constexpr uint64_t kListEngineCapabilities = 0x28'00'01'32'01;

  struct Layout {
    uint16_t engineUid = kGenerationUid;
    uint8_t subsystem = 12;
    uint16_t blockVersion = 2;
    uint16_t blockOldestCompatible = 2;
    uint16_t timerVersion = 1;
    uint16_t timerOldestCompatible = 1;
    bool timer = true;
  };

  static Layout generation() { return Layout{}; }
  static Layout acquisition() { return Layout{.engineUid = kAcquisitionUid, .subsystem = 13}; }

  // `bar0` is the BAR that holds the fixed-logic window.
  TimingEngineSubtree(const Layout& layout, Bar& bar0);

  // Announces the tree and attaches itself as its subsystem; it must
  // outlive the attachment.
  void place(RegisterPortModel& port);

  const Layout& layout() const { return layout_; }
  bool isGeneration() const { return layout_.engineUid == kGenerationUid; }
  uint16_t blockUid() const { return isGeneration() ? 2402 : 2403; }
  uint16_t snoopingUid() const { return isGeneration() ? 1704 : 1703; }
  EngineBlockModel& block() { return block_; }
  TimerBlockModel& timer() { return timer_; }
  ListEngineModel& listEngine() { return listEngine_; }

  Result read(uint32_t address) override;
  Result write(uint32_t address, uint64_t data) override;
  // The port's reset stops a list the engine runs or holds.
  void reset() override { listEngine_.halt(); }

 private:
  // The block whose registers hold `address`; null in the snooping window
  // and outside every block.
  InstructionBlockModel* route(uint32_t address);
  static bool inSnoopingWindow(uint32_t address);

  Layout layout_;
  Bar& bar0_;
  EngineBlockModel block_;
  TimerBlockModel timer_{kTimerOffset};
  ListEngineModel listEngine_{kListEngineOffset};
};

}  // namespace sim

#endif
