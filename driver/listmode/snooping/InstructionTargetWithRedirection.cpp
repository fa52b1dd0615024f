#include "InstructionTargetWithRedirection.h"

#include "SnoopingSites.h"
#include "driver/platform/status/StatusCodes.h"
#include "driver/platform/status/StatusSite.h"

namespace nVL9738K_24_0 {

void InstructionTargetWithRedirection::read(const vlifw::ReadInstruction& instruction, uint64_t* value, tStatus& status,
                                            uint32_t timeoutMs) {
  current_->read(instruction, value, status, timeoutMs);
}

void InstructionTargetWithRedirection::readMany(const vlifw::ReadInstruction* list, uint64_t count, uint64_t* values,
                                                tStatus& status, uint32_t timeoutMs) {
  if (count != 0) current_->readMany(list, count, values, status, timeoutMs);
}

void InstructionTargetWithRedirection::write(const vlifw::WriteInstruction& instruction, bool wait, tStatus& status,
                                             uint32_t timeoutMs) {
  current_->write(instruction, wait, status, timeoutMs);
}

void InstructionTargetWithRedirection::writeMany(const vlifw::WriteInstruction* list, uint64_t count, bool wait,
                                                 tStatus& status, uint32_t timeoutMs) {
  if (count != 0) current_->writeMany(list, count, wait, status, timeoutMs);
}

void InstructionTargetWithRedirection::flush(tStatus& status) {
  if (current_ == default_) {
    default_->flush(status);
    return;
  }
  status.setCode(nVLAPALS100::kStatusNotSupported, VL_SITE_AT(listmodek::snooping_sites::kDecorators, __LINE__));
}

}  // namespace nVL9738K_24_0
