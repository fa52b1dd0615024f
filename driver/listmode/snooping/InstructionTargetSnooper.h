// An instruction target that executes nothing: while a commit is recorded
// it turns writes into list write instructions and reads into the
// assembler's compile-time reads; without an inserter it refuses.
#ifndef VL9738K_LISTMODE_SNOOPING_INSTRUCTIONTARGETSNOOPER_H
#define VL9738K_LISTMODE_SNOOPING_INSTRUCTIONTARGETSNOOPER_H

#include "driver/ifw/InstructionTarget.h"
#include "driver/listmode/iListInstructionInserter.h"

namespace nVL9738K_24_0 {

class InstructionTargetSnooper : public vlifw::InstructionTarget {
 public:
  using tStatus = nVLAPALS100::tStatus;

  void read(const vlifw::ReadInstruction& instruction, uint64_t* value, tStatus& status, uint32_t timeoutMs) override;
  void readMany(const vlifw::ReadInstruction* list, uint64_t count, uint64_t* values, tStatus& status,
                uint32_t timeoutMs) override;
  void write(const vlifw::WriteInstruction& instruction, bool wait, tStatus& status, uint32_t timeoutMs) override;
  void writeMany(const vlifw::WriteInstruction* list, uint64_t count, bool wait, tStatus& status,
                 uint32_t timeoutMs) override;
  void flush(tStatus& status) override;

  virtual void setInserter(listmodek::iListInstructionInserter* inserter) { inserter_ = inserter; }
  listmodek::iListInstructionInserter* getInserter() const { return inserter_; }

 private:
  // The list's instructions carry 32-bit addresses.
  bool mayRecord(uint64_t address, tStatus& status);

  listmodek::iListInstructionInserter* inserter_ = nullptr;
};

}  // namespace nVL9738K_24_0

#endif
