#include "CompositeMaps.h"

#include "driver/platform/memory/Memory.h"
#include "driver/regaccess/ChildWindow.h"

namespace nVL9738K_24_0 {

CompositeMaps::CompositeMaps(nHostRegMap::tHostRegMap& host, TICDCE18005Accessor*, tStatus& status)
    : host_(host), clockBufferMap_(nullptr), ownAux_{}, aux_{} {
  for (uint32_t cpld = kRef; cpld < kCpldCount; ++cpld) buildAux(static_cast<Cpld>(cpld), status);
}

CompositeMaps::~CompositeMaps() {
  for (uint32_t cpld = kCpldCount; cpld-- != 0;) delete ownAux_[cpld];
}

void CompositeMaps::buildAux(Cpld cpld, tStatus& status) {
  if (status.isFatal()) return;
  const arm::tChildWindow window = arm::childWindow(
      arm::childWindow(0, 0, nHostRegMap::tHostRegMap::kWindowSize, kCpldOffset[cpld], kCpldExtent).base, 0,
      kCpldExtent, 0, kAuxExtent);
  ownAux_[cpld] = new (status, nVLAPAL000::kAllocationKindPlain)
      tAuxMap(host_.getAccessor(), window.base, window.windowStart, window.windowSize);
  aux_[cpld] = ownAux_[cpld];
}

void CompositeMaps::registerMaps(tDispatcher&, tStatus&) {}

void CompositeMaps::markDirty() {
  for (tAuxMap* aux : ownAux_) {
    if (aux != nullptr) aux->markDirtyRegMap();
  }
}

}  // namespace nVL9738K_24_0
