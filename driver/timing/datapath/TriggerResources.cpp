#include "TriggerResources.h"

#include "driver/platform/memory/Memory.h"
#include "driver/timing/GenTriggerControl.h"

namespace qrtifwprim {

namespace internal {

using nVLAPALS100::tStatus;

namespace {
constexpr uint16_t kGenUid = GenRegsSubsystemResourcesFactory::kUid;
constexpr uint16_t kAcqUid = AcqRegsSubsystemResourcesFactory::kUid;
}  // namespace

bool TriggerSubsystemResourcesFactory::isSupportedUid(uint16_t uid, uint8_t subsystem) const {
  return (uid == kGenUid && subsystem == genSubsystem_) || (uid == kAcqUid && subsystem == acqSubsystem_);
}

// The walk's status hears only of a failure to allocate; every other
// failure waits in the factory until the controls are asked for.
trigki::TriggerControlInterface* TriggerSubsystemResourcesFactory::createResources(const vlifw::ContextInterface*,
                                                                                   const vlifw::ContextInterface* block,
                                                                                   tStatus& status) {
  tStatus& working = creationStatus_;
  const uint64_t info = block->getInfo(working);
  trigki::TriggerControlInterface* control = nullptr;
  switch (static_cast<uint16_t>(info)) {
    case kGenUid: {
      GenTriggerControl::tMap* map = gen_ != nullptr ? gen_->getRegisterMap(block, working) : nullptr;
      if (map != nullptr) control = new (status, nVLAPAL000::kAllocationKindPlain) GenTriggerControl(map);
      break;
    }
    case kAcqUid: {
      AcqTriggerControl::tMap* map = acq_ != nullptr ? acq_->getRegisterMap(block, working) : nullptr;
      if (map != nullptr) {
        control = new (status, nVLAPAL000::kAllocationKindPlain)
            AcqTriggerControl(map, shared_, static_cast<uint16_t>(info >> 32), working);
      }
      break;
    }
    default:
      working.setCode(nVLAPALS100::kStatusInvalidParameter, VL_SITE);
  }
  return control;
}

}  // namespace internal

TriggerResources::TriggerResources(uint8_t acqSubsystem, AcqRegsResources* acq, uint8_t genSubsystem,
                                   GenRegsResources* gen, AcqTriggerControl::tSharedMap* shared,
                                   const vlifw::ContextInterface* root)
    : factory_(acqSubsystem, acq, genSubsystem, gen, shared), controls_(root, factory_, walkStatus_) {
  factory_.creationStatus().merge(walkStatus_);
}

void TriggerResources::markDirty(uint8_t subsystem, tStatus& status) {
  status.merge(factory_.creationStatus());
  if (status.isFatal()) return;
  for (auto& entry : controls_.entries()) {
    if (static_cast<uint8_t>(entry.first->contextualizeRead(0, status).subsystem) != subsystem) continue;
    entry.second->markRegistersDirty(status);
  }
}

trigki::TriggerControlInterface* TriggerResources::getTriggerControl(const tPath& path, tStatus& status) {
  status.merge(factory_.creationStatus());
  return controls_.find(path, true, status);
}

}  // namespace qrtifwprim
