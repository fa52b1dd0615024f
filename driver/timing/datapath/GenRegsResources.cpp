#include "GenRegsResources.h"

#include "driver/platform/memory/Memory.h"

namespace qrtifwprim {

namespace internal {

using nVLAPALS100::tStatus;

uint8_t engineInstance(const vlifw::ContextInterface* root, tStatus& status) {
  return static_cast<uint8_t>(root->getInfo(status) >> 16);
}

GenRegsSubsystemResources* GenRegsSubsystemResourcesFactory::createResources(const vlifw::ContextInterface* root,
                                                                             const vlifw::ContextInterface* block,
                                                                             tStatus& status) {
  auto* resources =
      new (status, nVLAPAL000::kAllocationKindPlain) GenRegsSubsystemResources{nullptr, nullptr, nullptr, tStatus()};
  if (resources == nullptr) return nullptr;
  tStatus& built = resources->creationStatus;
  block->checkVersion(kVersion, kOldestCompatibleVersion, true, nullptr, nullptr, built);
  uint8_t subsystem = 0;
  block->getSubsystemAndOffset(&subsystem, nullptr, built);
  const uint8_t instance = engineInstance(root, built);
  if (built.isFatal()) return resources;
  resources->target = new (built, nVLAPAL000::kAllocationKindPlain) vlifw::InstructionTargetMXRM(target_, block, true);
  if (resources->target == nullptr) return resources;
  resources->map = new (built, nVLAPAL000::kAllocationKindPlain)
      nQRTGenerationRegisters::tQRTGenerationRegisters(resources->target, 0, 0, 0xFFFFFFFF);
  if (resources->map == nullptr) return resources;
  resources->dataPath = new (built, nVLAPAL000::kAllocationKindPlain)
      GenDataPathControl(resources->map, resources->target, subsystem, instance, services_.pollers, services_.pools,
                         services_.manager, built);
  return resources;
}

void GenRegsSubsystemResourcesFactory::destroyResources(GenRegsSubsystemResources* resources) {
  delete resources->dataPath;
  delete resources->map;
  delete resources->target;
  delete resources;
}

}  // namespace internal

void GenRegsResources::markDirty(uint8_t subsystem, tStatus& status) {
  if (status.isFatal()) return;
  for (auto& entry : resources_.entries()) {
    if (static_cast<uint8_t>(entry.first->contextualizeRead(0, status).subsystem) != subsystem) continue;
    internal::GenRegsSubsystemResources& resources = *entry.second;
    status.merge(resources.creationStatus);
    if (status.isFatal()) return;
    resources.dataPath->markDirty(status);
  }
}

internal::GenRegsSubsystemResources* GenRegsResources::found(internal::GenRegsSubsystemResources* resources,
                                                             tStatus& status) {
  if (resources == nullptr) return nullptr;
  status.merge(resources->creationStatus);
  return status.isFatal() ? nullptr : resources;
}

GenRegsResources::tMap* GenRegsResources::getRegisterMap(const vlifw::ContextInterface* context, tStatus& status) {
  auto* resources = found(resources_.find(context, true, status), status);
  return resources != nullptr ? resources->map : nullptr;
}

GenRegsResources::tMap* GenRegsResources::getRegisterMap(const tPath& path, tStatus& status) {
  auto* resources = found(resources_.find(path, true, status), status);
  return resources != nullptr ? resources->map : nullptr;
}

GenDataPathControl* GenRegsResources::getDataPathControl(const tPath& path, tStatus& status) {
  auto* resources = found(resources_.find(path, true, status), status);
  return resources != nullptr ? resources->dataPath : nullptr;
}

}  // namespace qrtifwprim
