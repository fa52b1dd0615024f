#include "ZelkSyncResources.h"

#include "driver/ifw/IfwStatusCodes.h"
#include "driver/platform/memory/Memory.h"
#include "driver/platform/status/StatusCodes.h"
#include "driver/platform/status/StatusSite.h"

namespace qrtifwprim {

// The tree numbers its blocks with 8-bit instances: a wider one names no
// block, rather than the block its low bits would.
ZelkSyncControl* ZelkSyncResources::createSession(const tPath& path, tStatus& status) {
  status.merge(status_);
  if (status.isFatal()) return nullptr;
  if (path.size() == 0) {
    status.setCode(nVLAPALS100::kStatusInvalidParameter, VL_SITE);
    return nullptr;
  }
  const vlifw::ContextInterface* node = root_;
  if (node == nullptr) {
    status.setCode(nVLAPALS100::kStatusRequestFailure, VL_SITE);
    return nullptr;
  }
  for (const ZelkSyncPathElement& element : path) {
    if (element.instance > 0xFF) {
      status.setCode(vlifw::codes::kContextMissing, VL_SITE);
      return nullptr;
    }
    node = node->findChild(element.uid, static_cast<uint8_t>(element.instance), status);
    if (status.isFatal()) return nullptr;
  }
  ZelkSyncSubsystem* subsystem = subsystems_.find(node, false, status);
  if (subsystem == nullptr) {
    status.setCode(nVLAPALS100::kStatusRequestFailure, VL_SITE);
    return nullptr;
  }
  return subsystem->createZelkSyncSession(status);
}

ZelkSyncResources* ZelkSyncResourcesFactory::create(vlifw::InstructionTarget* target,
                                                    const vlifw::ContextInterface* root, bool noMeasurement,
                                                    nVLAPALS100::tStatus& status) {
  return new (status, nVLAPAL000::kAllocationKindPlain)
      ZelkSyncResources(target, root, generation_, acquisition_, noMeasurement);
}

}  // namespace qrtifwprim
