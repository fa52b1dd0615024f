// An instruction target that forwards to a default target, or to another
// target while a redirection is in force (a list-mode commit being
// recorded). The current target is never null.
#ifndef VL9738K_LISTMODE_SNOOPING_INSTRUCTIONTARGETWITHREDIRECTION_H
#define VL9738K_LISTMODE_SNOOPING_INSTRUCTIONTARGETWITHREDIRECTION_H

#include "driver/ifw/InstructionTarget.h"

namespace nVL9738K_24_0 {

class InstructionTargetWithRedirection : public vlifw::InstructionTarget {
 public:
  using tStatus = nVLAPALS100::tStatus;

  explicit InstructionTargetWithRedirection(vlifw::InstructionTarget* defaultTarget)
      : default_(defaultTarget), current_(defaultTarget) {}

  void read(const vlifw::ReadInstruction& instruction, uint64_t* value, tStatus& status, uint32_t timeoutMs) override;
  void readMany(const vlifw::ReadInstruction* list, uint64_t count, uint64_t* values, tStatus& status,
                uint32_t timeoutMs) override;
  void write(const vlifw::WriteInstruction& instruction, bool wait, tStatus& status, uint32_t timeoutMs) override;
  void writeMany(const vlifw::WriteInstruction* list, uint64_t count, bool wait, tStatus& status,
                 uint32_t timeoutMs) override;
  // Only the default target can be brought back: a recording has nothing
  // to reset, and flushing it would hide that the stream went astray.
  void flush(tStatus& status) override;

  // Null returns to the default target; `subsystem` names the engine whose
  // list the instructions then go into.
  void redirect(vlifw::InstructionTarget* target, uint8_t subsystem = 0) {
    current_ = target != nullptr ? target : default_;
    subsystem_ = subsystem;
  }
  bool isRedirected() const { return current_ != default_; }
  int32_t recordingSubsystem() const override { return isRedirected() ? int32_t{subsystem_} : -1; }
  vlifw::InstructionTarget* getDefaultTarget() const { return default_; }

 private:
  vlifw::InstructionTarget* default_;
  vlifw::InstructionTarget* current_;
  uint8_t subsystem_ = 0;
};

}  // namespace nVL9738K_24_0

#endif
