#include "SyncPulseGenerator.h"

#include "driver/platform/memory/Memory.h"
#include "driver/platform/status/StatusCodes.h"
#include "driver/platform/status/StatusSite.h"

namespace qrtifwprim {

SyncPulseGenerator::SyncPulseGenerator(vlifw::InstructionTarget* target, const vlifw::ContextInterface* context,
                                       tStatus& status) {
  target_ = new (status, nVLAPAL000::kAllocationKindPlain) vlifw::InstructionTargetMXRM(target, context, true);
  if (target_ == nullptr) return;
  registers_ = new (status, nVLAPAL000::kAllocationKindPlain) tMap(target_, 0, 0, 0xFFFFFFFF);
}

SyncPulseGenerator::~SyncPulseGenerator() {
  delete registers_;
  delete target_;
}

void SyncPulseGenerator::fireSyncPulse(tStatus& status) {
  if (status.isFatal()) return;
  if (registers_ == nullptr) {
    status.setCode(nVLAPALS100::kStatusRequestFailure, VL_SITE);
    return;
  }
  registers_->SyncPulse.setPulse(true, status).flush(status, false);
  registers_->SyncPulse.shadow = 0;
}

}  // namespace qrtifwprim
