#include "TriggerSynchronizer.h"

#include "driver/platform/memory/Memory.h"
#include "driver/platform/status/StatusCodes.h"
#include "driver/platform/status/StatusSite.h"

namespace qrtifwprim {

TriggerSynchronizer::TriggerSynchronizer(vlifw::InstructionTarget* target, const vlifw::ContextInterface* context,
                                         tStatus& status) {
  target_ = new (status, nVLAPAL000::kAllocationKindPlain) vlifw::InstructionTargetMXRM(target, context, true);
  if (target_ == nullptr) return;
  registers_ = new (status, nVLAPAL000::kAllocationKindPlain) tMap(target_, 0, 0, 0xFFFFFFFF);
}

TriggerSynchronizer::~TriggerSynchronizer() {
  delete registers_;
  delete target_;
}

bool TriggerSynchronizer::usable(tStatus& status) const {
  if (status.isFatal()) return false;
  if (registers_ != nullptr) return true;
  status.setCode(nVLAPALS100::kStatusRequestFailure, VL_SITE);
  return false;
}

void TriggerSynchronizer::setEnable(bool enable, tStatus& status) {
  if (!usable(status)) return;
  registers_->TriggerSync.writeEnable(enable, status, false);
}

void TriggerSynchronizer::configure(uint32_t first, uint32_t second, tStatus& status) {
  if (!usable(status)) return;
  const bool firstBit = checkedOption(first, status) == 0;
  const bool secondBit = checkedOption(second, status) == 0;
  if (status.isFatal()) return;
  registers_->TriggerSync.setBit1(firstBit, status).setBit2(secondBit, status).flush(status, false);
}

}  // namespace qrtifwprim
