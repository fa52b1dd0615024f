// An instruction target that sends each subsystem's instructions to a
// target of its own, or to the default target when none is set. A batch
// goes whole to the target of its first instruction's subsystem.
#ifndef VL9738K_LISTMODE_SNOOPING_INSTRUCTIONTARGETWITHSUBSYSTEMREDIRECTION_H
#define VL9738K_LISTMODE_SNOOPING_INSTRUCTIONTARGETWITHSUBSYSTEMREDIRECTION_H

#include "driver/ifw/InstructionTarget.h"

namespace nVL9738K_24_0 {

class InstructionTargetWithSubsystemRedirection : public vlifw::InstructionTarget {
 public:
  using tStatus = nVLAPALS100::tStatus;

  explicit InstructionTargetWithSubsystemRedirection(vlifw::InstructionTarget* defaultTarget)
      : default_(defaultTarget) {}

  void read(const vlifw::ReadInstruction& instruction, uint64_t* value, tStatus& status, uint32_t timeoutMs) override {
    targetOf(instruction.subsystem)->read(instruction, value, status, timeoutMs);
  }
  void readMany(const vlifw::ReadInstruction* list, uint64_t count, uint64_t* values, tStatus& status,
                uint32_t timeoutMs) override {
    if (count != 0) targetOf(list[0].subsystem)->readMany(list, count, values, status, timeoutMs);
  }
  void write(const vlifw::WriteInstruction& instruction, bool wait, tStatus& status, uint32_t timeoutMs) override {
    targetOf(instruction.subsystem)->write(instruction, wait, status, timeoutMs);
  }
  void writeMany(const vlifw::WriteInstruction* list, uint64_t count, bool wait, tStatus& status,
                 uint32_t timeoutMs) override {
    if (count != 0) targetOf(list[0].subsystem)->writeMany(list, count, wait, status, timeoutMs);
  }
  // Flushable only while nothing is redirected, like the single redirection.
  void flush(tStatus& status) override;

  void setRedirection(uint8_t subsystem, vlifw::InstructionTarget* target) { table_[subsystem] = target; }

 private:
  vlifw::InstructionTarget* targetOf(uint32_t subsystem) const {
    vlifw::InstructionTarget* target = table_[subsystem & 0xFF];
    return target != nullptr ? target : default_;
  }

  vlifw::InstructionTarget* default_;
  vlifw::InstructionTarget* table_[256] = {};
};

}  // namespace nVL9738K_24_0

#endif
