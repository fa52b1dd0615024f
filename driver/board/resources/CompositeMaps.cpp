#include "CompositeMaps.h"

#include "driver/platform/memory/Memory.h"
#include "driver/regaccess/ChildWindow.h"
#include "driver/regmaps/board/cpld/tVl9738RefCpld.h"

namespace nVL9738K_24_0 {

CompositeMaps::CompositeMaps(n9738Board::t9738Board& board, TICDCE18005Accessor* clockBuffer, tStatus& status)
    : board_(board), clockBufferMap_(nullptr), ownAux_{}, aux_{} {
  if (status.isFatal()) return;
  nHostRegMap::tHostRegMap* host = board_.getHostRegMap();
  board_.create_RefCpld_RefAuxBus(host->getAccessor(), status);
  if (status.isFatal()) return;
  aux_[kRef] = &board_.getRefCpld()->AuxInterfaceRegMap;
  buildOwnAux(kLo0, status);
  buildOwnAux(kLo1, status);
  if (status.isFatal()) return;
  clockBufferMap_ = new (status, nVLAPAL000::kAllocationKindPlain) tClockBufferMap(clockBuffer, 0, 0, kWholeWindow);
}

CompositeMaps::~CompositeMaps() {
  delete clockBufferMap_;
  for (uint32_t cpld = kCpldCount; cpld-- != 0;) delete ownAux_[cpld];
}

void CompositeMaps::buildOwnAux(Cpld cpld, tStatus& status) {
  if (status.isFatal()) return;
  nHostRegMap::tHostRegMap* host = board_.getHostRegMap();
  const arm::tChildWindow composite =
      arm::childWindow(host->getBase(), host->getWindowStart(), host->getWindowSize(), kCpldOffset[cpld], kCpldExtent);
  const arm::tChildWindow window =
      arm::childWindow(composite.base, composite.windowStart, composite.windowSize, 0, kAuxExtent);
  ownAux_[cpld] = new (status, nVLAPAL000::kAllocationKindPlain)
      tAuxMap(host->getAccessor(), window.base, window.windowStart, window.windowSize);
  aux_[cpld] = ownAux_[cpld];
}

void CompositeMaps::registerMaps(tDispatcher& dispatcher, tStatus& status) {
  if (status.isFatal()) return;
  nVl9738RefCpld::tVl9738RefCpld* ref = board_.getRefCpld();
  if (ref != nullptr) {
    struct tNamed {
      const char* name;
      arm::tRegisterMapInterface* map;
    };
    const tNamed maps[] = {
        {"Vl9738RefCpld", ref},
        {"RefTemperatureRegMap", &ref->TemperatureRegMap},
        {"Lo0RefClkToLoRegMap", &ref->Lo0RefClkToLoRegMap},
        {"Lo1RefClkToLoRegMap", &ref->Lo1RefClkToLoRegMap},
        {"Ad9512RegMap", &ref->Ad9512RegMap},
        {"Hmc703RegMap", &ref->Hmc703RegMap},
        {"RefAuxInterfaceRegMap", &ref->AuxInterfaceRegMap},
    };
    for (const tNamed& entry : maps) dispatcher.add(entry.name, *entry.map, status);
  }
  // The LO0 and LO1 composites register their maps here once they exist.
  if (clockBufferMap_ != nullptr) dispatcher.add("TICDCE18005RegMap", *clockBufferMap_, status);
}

void CompositeMaps::markDirty() {
  if (board_.getRefCpld() != nullptr) board_.getRefCpld()->markDirtyRegMap();
  for (tAuxMap* aux : ownAux_) {
    if (aux != nullptr) aux->markDirtyRegMap();
  }
}

}  // namespace nVL9738K_24_0
