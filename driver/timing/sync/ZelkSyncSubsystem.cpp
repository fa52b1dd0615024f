#include "ZelkSyncSubsystem.h"

#include "driver/ifw/IfwStatusCodes.h"
#include "driver/platform/memory/Memory.h"
#include "driver/platform/status/StatusCodes.h"
#include "driver/platform/status/StatusSite.h"

namespace qrtifwprim {

namespace {

using nVLAPAL000::kAllocationKindPlain;

// The block, when it exists and its version is one this code drives.
const vlifw::ContextInterface* findBlock(const vlifw::ContextInterface& parent, uint16_t uid,
                                         nVLAPALS100::tStatus& status) {
  const vlifw::ContextInterface* block = parent.findChild(uid, 0, status);
  if (status.isFatal()) return nullptr;
  if (block == nullptr) {
    status.setCode(vlifw::codes::kContextMissing, VL_SITE);
    return nullptr;
  }
  block->checkVersion(ZelkSyncSubsystemFactory::kBlockVersion, ZelkSyncSubsystemFactory::kBlockOldestCompatibleVersion,
                      true, nullptr, nullptr, status);
  return status.isFatal() ? nullptr : block;
}

template <typename tEngineMap>
void buildEngineControls(ZelkSyncSubsystem& subsystem, tEngineMap* engine, nVLAPALS100::tStatus& status) {
  if (status.isFatal()) return;
  if (engine == nullptr) {
    status.setCode(nVLAPALS100::kStatusRequestFailure, VL_SITE);
    return;
  }
  subsystem.triggerSync = new (status, kAllocationKindPlain) TriggerSynchronizationControl<tEngineMap>(*engine);
  subsystem.adjuster = new (status, kAllocationKindPlain) ZelkAdjuster<tEngineMap>(*engine);
}

}  // namespace

ZelkSyncSubsystem::~ZelkSyncSubsystem() {
  delete measurement;
  delete adjuster;
  delete triggerSync;
  delete syncPulse;
  delete generator;
}

ZelkSyncControl* ZelkSyncSubsystem::createZelkSyncSession(tStatus& status) {
  status.merge(creationStatus);
  if (status.isFatal()) return nullptr;
  return new (status, kAllocationKindPlain)
      ZelkSyncControl(*generator, *syncPulse, *triggerSync, measurement, *adjuster);
}

ZelkSyncSubsystem* ZelkSyncSubsystemFactory::create(const vlifw::ContextInterface* engine, tStatus& status) {
  if (status.isFatal()) return nullptr;
  auto* subsystem = new (status, kAllocationKindPlain) ZelkSyncSubsystem();
  if (subsystem == nullptr) return nullptr;
  build(*subsystem, *engine, subsystem->creationStatus);
  return subsystem;
}

void ZelkSyncSubsystemFactory::build(ZelkSyncSubsystem& subsystem, const vlifw::ContextInterface& engine,
                                     tStatus& status) {
  const uint16_t uid = static_cast<uint16_t>(engine.getInfo(status));
  if (uid == kGenerationEngineUid) {
    buildEngineControls(subsystem, generation_, status);
  } else if (uid == kAcquisitionEngineUid) {
    buildEngineControls(subsystem, acquisition_, status);
  } else {
    status.setCode(nVLAPALS100::kStatusInvalidParameter, VL_SITE);
  }
  if (status.isFatal()) return;
  const vlifw::ContextInterface* block = findBlock(engine, kSyncBlockUid, status);
  if (block == nullptr) return;
  const vlifw::ContextInterface* generator = findBlock(*block, kGeneratorUid, status);
  const vlifw::ContextInterface* syncPulse = findBlock(*block, kSyncPulseUid, status);
  buildSynchronizers(subsystem, *block, status);
  if (status.isFatal()) return;
  subsystem.generator = new (status, kAllocationKindPlain) ZelkGenerator(target_, generator, status);
  subsystem.syncPulse = new (status, kAllocationKindPlain) SyncPulseGenerator(target_, syncPulse, status);
  if (noMeasurement_ || status.isFatal()) return;
  const vlifw::ContextInterface* measurement = block->findChild(vlftdc::CommandControl::kUid, 0, status);
  if (status.isFatal() || measurement == nullptr) {
    if (status.isNotFatal()) status.setCode(vlifw::codes::kContextMissing, VL_SITE);
    return;
  }
  subsystem.measurement = new (status, kAllocationKindPlain) vlftdc::CommandControl(measurement, target_, status);
}

// Synchronizers are keyed by the low 8 bits of their instance.
void ZelkSyncSubsystemFactory::buildSynchronizers(ZelkSyncSubsystem& subsystem, const vlifw::ContextInterface& block,
                                                  tStatus& status) {
  vlifw::ContextInterface::tChildren children;
  block.getChildrenWithUid(kSynchronizerUid, children, status);
  for (const vlifw::ContextInterface* child : children) {
    child->checkVersion(kBlockVersion, kBlockOldestCompatibleVersion, true, nullptr, nullptr, status);
    const uint8_t instance = static_cast<uint8_t>(child->getInfo(status) >> 16);
    if (status.isFatal()) return;
    subsystem.triggerSync->adopt(
        instance, new (status, kAllocationKindPlain) TriggerSynchronizer(target_, child, status), status);
  }
}

}  // namespace qrtifwprim
