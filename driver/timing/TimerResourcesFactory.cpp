#include "TimerResourcesFactory.h"

#include "driver/platform/memory/Memory.h"

namespace qrtifwprim {

TimerSubsystemResources* TimerSubsystemResourcesFactory::createResources(const vlifw::ContextInterface*,
                                                                         const vlifw::ContextInterface* block,
                                                                         nVLAPALS100::tStatus& status) {
  auto* resources =
      new (status, nVLAPAL000::kAllocationKindPlain) TimerSubsystemResources{nVLAPALS100::tStatus(), nullptr};
  if (resources == nullptr) return nullptr;
  block->checkVersion(kVersion, kOldestCompatibleVersion, true, nullptr, nullptr, resources->creationStatus);
  if (resources->creationStatus.isFatal()) return resources;
  resources->control = new (resources->creationStatus, nVLAPAL000::kAllocationKindPlain)
      TimerControl(target_, block, resources->creationStatus);
  return resources;
}

void TimerSubsystemResourcesFactory::destroyResources(TimerSubsystemResources* resources) {
  delete resources->control;
  delete resources;
}

TimerControl* TimerResourcesFactory::getTimerControl(const tPath& path, tStatus& status) {
  TimerSubsystemResources* resources = resources_.find(path, false, status);
  if (resources == nullptr) return nullptr;
  status.merge(resources->creationStatus);
  return resources->control;
}

// The subsystem of a block is the one its instructions go to.
void TimerResourcesFactory::markTimerRegistersDirtyForSubsystem(uint8_t subsystem, tStatus& status) {
  if (status.isFatal()) return;
  for (auto& entry : resources_.entries()) {
    if (static_cast<uint8_t>(entry.first->contextualizeRead(0, status).subsystem) != subsystem) continue;
    TimerSubsystemResources& resources = *entry.second;
    status.merge(resources.creationStatus);
    if (status.isFatal()) return;
    resources.control->markTimerRegistersDirty(status);
  }
}

}  // namespace qrtifwprim
