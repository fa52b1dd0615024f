#include "InstructionTargetSnooper.h"

#include "SnoopingSites.h"
#include "driver/platform/status/StatusCodes.h"
#include "driver/platform/status/StatusSite.h"

namespace nVL9738K_24_0 {

namespace {
constexpr const char* kSite = listmodek::snooping_sites::kDecorators;
}

bool InstructionTargetSnooper::mayRecord(uint64_t address, tStatus& status) {
  if (inserter_ == nullptr) {
    status.setCode(nVLAPALS100::kStatusRequestFailure, VL_SITE_AT(kSite, __LINE__));
    return false;
  }
  if (address > 0xFFFFFFFFu) {
    status.setCode(nVLAPALS100::kStatusNotSupported, VL_SITE_AT(kSite, __LINE__));
    return false;
  }
  return true;
}

void InstructionTargetSnooper::read(const vlifw::ReadInstruction& instruction, uint64_t* value, tStatus& status,
                                    uint32_t) {
  if (!mayRecord(instruction.address, status)) return;
  *value = inserter_->readDuringCompile(static_cast<uint8_t>(instruction.subsystem), instruction.address, status);
}

void InstructionTargetSnooper::readMany(const vlifw::ReadInstruction* list, uint64_t count, uint64_t* values,
                                        tStatus& status, uint32_t timeoutMs) {
  for (uint64_t i = 0; i < count && status.isNotFatal(); ++i) read(list[i], &values[i], status, timeoutMs);
}

void InstructionTargetSnooper::write(const vlifw::WriteInstruction& instruction, bool, tStatus& status, uint32_t) {
  if (status.isFatal() || !mayRecord(instruction.address, status)) return;
  inserter_->emitWrite(static_cast<uint8_t>(instruction.subsystem), static_cast<uint32_t>(instruction.address),
                       instruction.data, status);
}

void InstructionTargetSnooper::writeMany(const vlifw::WriteInstruction* list, uint64_t count, bool, tStatus& status,
                                         uint32_t) {
  for (uint64_t i = 0; i < count && status.isNotFatal(); ++i) {
    write(list[i], false, status, vlifw::kDefaultInstructionTimeoutMs);
  }
}

void InstructionTargetSnooper::flush(tStatus& status) {
  status.setCode(nVLAPALS100::kStatusNotSupported, VL_SITE_AT(kSite, __LINE__));
}

}  // namespace nVL9738K_24_0
