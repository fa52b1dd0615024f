#include "DeviceResources.h"

#include "PowerUpSequence.h"
#include "driver/platform/memory/Memory.h"

namespace nVL9738K_24_0 {

DeviceResources::DeviceResources(vllym::kernel::IIoAccessor* fixedLogic, TICDCE18005Accessor* clockBuffer,
                                 cbak::SettlingTimerHandler* lo0Settling, cbak::SettlingTimerHandler* lo1Settling,
                                 ListModeRegisterReadResources* readResources, tStatus& status)
    : board_(createHostRegMap(fixedLogic, status)), composites_(board_, clockBuffer, status), primitives_(nullptr) {
  // A map that failed to build left its error: the primitives would hold it.
  if (status.isNotFatal() && readResources != nullptr) {
    primitives_ = new (status, nVLAPAL000::kAllocationKindPlain)
        RfPrimitives(board_, composites_, lo0Settling, lo1Settling, readResources, status);
  }
  // The shared-reservation policies over the primitives join here.
  registerRegisterMaps(status);
}

DeviceResources::~DeviceResources() { delete primitives_; }

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
