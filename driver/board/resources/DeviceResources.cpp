#include "DeviceResources.h"

#include "PowerUpSequence.h"
#include "driver/platform/memory/Memory.h"

namespace nVL9738K_24_0 {

DeviceResources::DeviceResources(vllym::kernel::IIoAccessor* fixedLogic, TICDCE18005Accessor* clockBuffer,
                                 tStatus& status)
    : board_(createHostRegMap(fixedLogic, status)), composites_(board_, clockBuffer, status) {
  // The RF primitives and the shared-reservation policies over these maps
  // join here.
  registerRegisterMaps(status);
}

DeviceResources::~DeviceResources() = default;

nHostRegMap::tHostRegMap* DeviceResources::createHostRegMap(vllym::kernel::IIoAccessor* fixedLogic, tStatus& status) {
  if (status.isFatal()) return nullptr;
  return new (status, nVLAPAL000::kAllocationKindPlain) nHostRegMap::tHostRegMap(fixedLogic);
}

void DeviceResources::registerRegisterMaps(tStatus& status) {
  if (status.isFatal()) return;
  board_.getHostRegMap()->registerMaps(dispatcher_, status);
  composites_.registerMaps(dispatcher_, status);
}

void DeviceResources::invalidateRegisterCaches() {
  if (board_.getHostRegMap() != nullptr) board_.getHostRegMap()->markDirtyRegMap();
  composites_.markDirty();
}

void DeviceResources::powerUp(tStatus& status) {
  if (status.isFatal()) return;
  if (board_.getHostRegMap() == nullptr) {
    status.setCode(nVLAPALS100::kStatusNotAccessible, VL_SITE);
    return;
  }
  PowerUpSequence(*board_.getHostRegMap(), composites_).run(status);
}

}  // namespace nVL9738K_24_0
