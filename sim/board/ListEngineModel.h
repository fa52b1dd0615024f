// The list engine beside a timing engine, as its subsystem holds it at a
// given offset: nine 64-bit registers (capabilities, status, progress,
// control, list location, two spare read-write words, error count and
// error information).
//
// A start (control bit 1 raised while bit 4 is set) runs the program that
// a test placed at the list location against the subsystem models attached
// to the engine, step by step: writes, waits on bits and fields (read until
// the bit holds, at most the timeout's ticks or a fixed number of reads),
// delays, trigger waits and events. A trigger wait holds the list until a
// trigger is sent; the rest runs at once. Progress follows the steps; a
// failed write or a wait that never holds stops the list, counts an error
// and leaves its instruction's index and opcode in the error information.
// The list reports done after the stop pulse (bit 2), a set time after it,
// when it ran to its end (if so set), or never; every value written to the
// control register is kept.
#ifndef VL9738K_SIM_BOARD_LIST_ENGINE_MODEL_H
#define VL9738K_SIM_BOARD_LIST_ENGINE_MODEL_H

#include <cstdint>
#include <map>
#include <vector>

#include "InstructionBlockModel.h"

namespace sim {

class ListEngineModel : public InstructionBlockModel {
 public:
  enum Register : uint32_t {
    kCapabilities = 0,
    kStatus = 1,
    kProgress = 2,
    kControl = 3,
    kListLocation = 4,
    kRegister5 = 5,
    kRegister6 = 6,
    kErrorCount = 7,
    kErrorInfo = 8,
  };
  enum class Done { kOnStop, kAfterDelay, kNever, kAtEnd };

  // Reads a field wait makes before it gives up.
  static constexpr uint32_t kFieldWaitReads = 64;

  struct Event {
    uint16_t opcode;
    uint64_t value;  // number, or ticks of a delay
    bool operator==(const Event&) const = default;
  };

  explicit ListEngineModel(uint32_t offset = 0);

  uint32_t offset() const { return offset_; }
  uint32_t address(Register index) const { return offset_ + index; }

  void setCapabilities(uint64_t capabilities) { setValue(address(kCapabilities), capabilities); }
  void setDone(Done mode, uint64_t delayNs = 0);
  void setFifoUnderflow(bool underflow);
  void setErrors(uint32_t count, uint64_t info);

  // Programs by list location, as the host's memory would hold them.
  void loadProgram(uint64_t location, std::vector<uint64_t> words) { programs_[location] = std::move(words); }
  // The blocks a program's instructions reach.
  void attachTarget(uint8_t subsystem, SubsystemModel& model) { targets_[subsystem] = &model; }
  // Runs a program now; false when it stopped on an error.
  bool run(const std::vector<uint64_t>& words);
  // Whether the started list is held at a trigger wait.
  bool waitsForTrigger() const { return held_; }
  // Releases a list held at a trigger wait, which runs on to its next one
  // or its end; false when no list was held.
  bool sendTrigger();
  // Whether the last started list ran to its end, stopped or not.
  bool ranToEnd() const { return ended_; }
  // A held list goes no further, as after the stop pulse.
  void halt() {
    held_ = false;
    stopped_ = true;
  }

  const std::vector<uint64_t>& controlLog() const { return controlLog_; }
  // Delays, trigger waits, ready-for-trigger and events of the programs run.
  const std::vector<Event>& events() const { return events_; }
  uint32_t starts() const { return starts_; }

 protected:
  uint64_t onRead(uint32_t address, uint64_t stored) override;
  void onWrite(uint32_t address, uint64_t value) override;

 private:
  bool execute(uint64_t operand, uint64_t header);
  // Runs the started list from `at_` to its next trigger wait or its end.
  void advance();
  bool waitFor(uint8_t subsystem, uint32_t address, uint32_t bit, bool expected, uint64_t reads);
  void failed(uint64_t index, uint64_t header);

  uint32_t offset_;
  Done done_ = Done::kOnStop;
  uint64_t delayNs_ = 0;
  bool stopped_ = false;
  uint64_t stoppedAtNs_ = 0;
  uint64_t control_ = 0;
  uint32_t starts_ = 0;
  std::map<uint64_t, std::vector<uint64_t>> programs_;
  std::map<uint8_t, SubsystemModel*> targets_;
  std::vector<uint64_t> controlLog_;
  // The started list, where it stands, and whether a trigger wait holds it.
  std::vector<uint64_t> started_;
  size_t at_ = 0;
  uint64_t iteration_ = 0;
  bool held_ = false;
  bool ended_ = false;
  std::vector<Event> events_;
};

}  // namespace sim

#endif
