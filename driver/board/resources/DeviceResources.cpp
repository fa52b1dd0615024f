#include "DeviceResources.h"

#include "PowerUpSequence.h"
#include "driver/platform/memory/Memory.h"

namespace nVL9738K_24_0 {

DeviceResources::DeviceResources(vllym::kernel::IIoAccessor* fixedLogic, TICDCE18005Accessor* clockBuffer,
                                 tStatus& status) {
  if (status.isFatal()) return;
  maps_.host = new (status, nVLAPAL000::kAllocationKindPlain) nHostRegMap::tHostRegMap(fixedLogic);
  if (maps_.host == nullptr) return;
  maps_.composites = new (status, nVLAPAL000::kAllocationKindPlain) CompositeMaps(*maps_.host, clockBuffer, status);
  // The RF primitives and the shared-reservation policies over these maps
  // join here.
  registerRegisterMaps(status);
}

DeviceResources::~DeviceResources() = default;

void DeviceResources::registerRegisterMaps(tStatus& status) {
  if (status.isFatal() || maps_.host == nullptr || maps_.composites == nullptr) return;
  maps_.host->registerMaps(dispatcher_, status);
  maps_.composites->registerMaps(dispatcher_, status);
}

void DeviceResources::invalidateRegisterCaches() {
  if (maps_.host != nullptr) maps_.host->markDirtyRegMap();
  if (maps_.composites != nullptr) maps_.composites->markDirty();
}

void DeviceResources::powerUp(tStatus& status) {
  if (status.isFatal()) return;
  if (maps_.host == nullptr || maps_.composites == nullptr) {
    status.setCode(nVLAPALS100::kStatusNotAccessible, VL_SITE);
    return;
  }
  PowerUpSequence(*maps_.host, *maps_.composites).run(status);
}

}  // namespace nVL9738K_24_0
