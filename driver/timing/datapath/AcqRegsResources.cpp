#include "AcqRegsResources.h"

#include "driver/platform/memory/Memory.h"

namespace qrtifwprim {

namespace internal {

using nVLAPALS100::tStatus;

AcqRegsSubsystemResources* AcqRegsSubsystemResourcesFactory::createResources(const vlifw::ContextInterface* root,
                                                                             const vlifw::ContextInterface* block,
                                                                             tStatus& status) {
  auto* resources = new (status, nVLAPAL000::kAllocationKindPlain)
      AcqRegsSubsystemResources{nullptr, nullptr, nullptr, nullptr, tStatus()};
  if (resources == nullptr) return nullptr;
  tStatus& built = resources->creationStatus;
  block->checkVersion(kVersion, kOldestCompatibleVersion, true, nullptr, nullptr, built);
  uint8_t subsystem = 0;
  block->getSubsystemAndOffset(&subsystem, nullptr, built);
  const uint8_t instance = engineInstance(root, built);
  const uint16_t version = static_cast<uint16_t>(block->getInfo(built) >> 32);
  if (built.isFatal()) return resources;
  resources->target = new (built, nVLAPAL000::kAllocationKindPlain) vlifw::InstructionTargetMXRM(target_, block, true);
  if (resources->target == nullptr) return resources;
  resources->map = new (built, nVLAPAL000::kAllocationKindPlain)
      nQRTAcquisitionRegisters::tQRTAcquisitionRegisters(resources->target, 0, 0, 0xFFFFFFFF);
  if (resources->map == nullptr) return resources;
  resources->dataPath = new (built, nVLAPAL000::kAllocationKindPlain)
      AcqDataPathControl(resources->map, resources->target, subsystem, instance, version, services_.pollers,
                         services_.pools, services_.manager, built);
  resources->scaleByTwo = new (built, nVLAPAL000::kAllocationKindPlain) DSPScaleDataByTwoControl<>(resources->map);
  return resources;
}

void AcqRegsSubsystemResourcesFactory::destroyResources(AcqRegsSubsystemResources* resources) {
  delete resources->scaleByTwo;
  delete resources->dataPath;
  delete resources->map;
  delete resources->target;
  delete resources;
}

}  // namespace internal

void AcqRegsResources::markDirty(uint8_t subsystem, tStatus& status) {
  if (status.isFatal()) return;
  for (auto& entry : resources_.entries()) {
    if (static_cast<uint8_t>(entry.first->contextualizeRead(0, status).subsystem) != subsystem) continue;
    internal::AcqRegsSubsystemResources& resources = *entry.second;
    status.merge(resources.creationStatus);
    if (status.isFatal()) return;
    resources.dataPath->markDirty(status);
    resources.scaleByTwo->markDirty(status);
  }
}

internal::AcqRegsSubsystemResources* AcqRegsResources::found(internal::AcqRegsSubsystemResources* resources,
                                                             tStatus& status) {
  if (resources == nullptr) return nullptr;
  status.merge(resources->creationStatus);
  return status.isFatal() ? nullptr : resources;
}

AcqRegsResources::tMap* AcqRegsResources::getRegisterMap(const vlifw::ContextInterface* context, tStatus& status) {
  auto* resources = found(resources_.find(context, true, status), status);
  return resources != nullptr ? resources->map : nullptr;
}

AcqRegsResources::tMap* AcqRegsResources::getRegisterMap(const tPath& path, tStatus& status) {
  auto* resources = found(resources_.find(path, true, status), status);
  return resources != nullptr ? resources->map : nullptr;
}

AcqDataPathControl* AcqRegsResources::getDataPathControl(const tPath& path, tStatus& status) {
  auto* resources = found(resources_.find(path, true, status), status);
  return resources != nullptr ? resources->dataPath : nullptr;
}

DSPScaleDataByTwoControl<>* AcqRegsResources::getDSPScaleDataByTwoControl(const tPath& path, tStatus& status) {
  auto* resources = found(resources_.find(path, true, status), status);
  return resources != nullptr ? resources->scaleByTwo : nullptr;
}

}  // namespace qrtifwprim
