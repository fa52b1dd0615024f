#include "InstructionTargetMXRM.h"

namespace vlifw {

uint64_t InstructionTargetMXRM::read64(uint32_t offset, nVLAPALS100::tStatus& status) {
  const ReadInstruction instruction = context_->contextualizeRead(offset, status);
  uint64_t value = 0;
  target_->read(instruction, &value, status, kTimeoutMs);
  return status.isFatal() ? 0 : value;
}

void InstructionTargetMXRM::write64(uint32_t offset, uint64_t value, nVLAPALS100::tStatus& status) {
  const WriteInstruction instruction = context_->contextualizeWrite(offset, value, status);
  target_->write(instruction, waitForWrites_, status, kTimeoutMs);
}

}  // namespace vlifw
