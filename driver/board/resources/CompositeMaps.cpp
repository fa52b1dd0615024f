#include "CompositeMaps.h"

#include "driver/platform/memory/Memory.h"
#include "driver/regaccess/ChildWindow.h"
#include "driver/regmaps/board/cpld/tVl9738RefCpld.h"

namespace nVL9738K_24_0 {

namespace {

struct tNamed {
  const char* name;
  arm::tRegisterMapInterface* map;
};

template <size_t kCount>
void addAll(CompositeMaps::tDispatcher& dispatcher, const tNamed (&maps)[kCount], nVLAPALS100::tStatus& status) {
  for (const tNamed& entry : maps) dispatcher.add(entry.name, *entry.map, status);
}

}  // namespace

CompositeMaps::CompositeMaps(n9738Board::t9738Board& board, TICDCE18005Accessor* clockBuffer, tStatus& status)
    : board_(board), lo0_(nullptr), lo1_(nullptr), clockBufferMap_(nullptr) {
  if (status.isFatal()) return;
  board_.create_RefCpld_RefAuxBus(board_.getHostRegMap()->getAccessor(), status);
  lo0_ = createLoCpld<nVl9738Lo0Cpld::tVl9738Lo0Cpld>(0, status);
  if (lo0_ != nullptr) board_.getHostRegMap()->Lo0Cpld.map = lo0_;
  lo1_ = createLoCpld<nVl9738Lo1Cpld::tVl9738Lo1Cpld>(1, status);
  if (lo1_ != nullptr) board_.getHostRegMap()->Lo1Cpld.map = lo1_;
  if (status.isFatal()) return;
  clockBufferMap_ = new (status, nVLAPAL000::kAllocationKindPlain) tClockBufferMap(clockBuffer, 0, 0, kWholeWindow);
}

CompositeMaps::~CompositeMaps() { delete clockBufferMap_; }

// The composite takes the part of the host map's window that reaches its
// CPLD; the map set owns it from then on.
template <typename tComposite>
tComposite* CompositeMaps::createLoCpld(unsigned lo, tStatus& status) {
  if (status.isFatal()) return nullptr;
  const nHostRegMap::tHostRegMap* host = board_.getHostRegMap();
  const arm::tChildWindow window =
      arm::childWindow(host->getBase(), host->getWindowStart(), host->getWindowSize(), kLoCpldOffset[lo], kCpldExtent);
  auto* composite = new (status, nVLAPAL000::kAllocationKindPlain)
      tComposite(host->getAccessor(), window.base, window.windowStart, window.windowSize);
  if (composite == nullptr) return nullptr;
  board_.replaceLoCpld(lo, composite);
  return composite;
}

CompositeMaps::tAuxMap* CompositeMaps::auxInterface(Cpld cpld) const {
  switch (cpld) {
    case kRef:
      return board_.getRefCpld() != nullptr ? &board_.getRefCpld()->AuxInterfaceRegMap : nullptr;
    case kLo0:
      return lo0_ != nullptr ? &lo0_->AuxInterfaceRegMap : nullptr;
    case kLo1:
      return lo1_ != nullptr ? &lo1_->AuxInterfaceRegMap : nullptr;
    default:
      return nullptr;
  }
}

// The prefixed names are the CPLD's path followed by the child's own name;
// a composite and the host map's configuration block carry the path in
// their own names.
void CompositeMaps::registerMaps(tDispatcher& dispatcher, tStatus& status) {
  nVl9738RefCpld::tVl9738RefCpld* ref = board_.getRefCpld();
  if (status.isFatal() || ref == nullptr || lo0_ == nullptr || lo1_ == nullptr || clockBufferMap_ == nullptr) return;
  const tNamed maps[kRegistrationCount] = {
      {"Vl9738RefCpld", ref},
      {"RefTemperatureRegMap", &ref->TemperatureRegMap},
      {"Lo0RefClkToLoRegMap", &ref->Lo0RefClkToLoRegMap},
      {"Lo1RefClkToLoRegMap", &ref->Lo1RefClkToLoRegMap},
      {"Ad9512RegMap", &ref->Ad9512RegMap},
      {"Hmc703RegMap", &ref->Hmc703RegMap},
      {"RefAuxInterfaceRegMap", &ref->AuxInterfaceRegMap},
      {"Vl9738Lo0Cpld", lo0_},
      {"Lo0TemperatureRegMap", &lo0_->TemperatureRegMap},
      {"Lo0BoardCtrlRegMap", &lo0_->BoardCtrlRegMap},
      {"Lo0Ad9162RegMap", &lo0_->Ad9162RegMap},
      {"Lo0AuxInterfaceRegMap", &lo0_->AuxInterfaceRegMap},
      {"Vl9738Lo1Cpld", lo1_},
      {"Lo1BoardCtrlRegMap", &lo1_->BoardCtrlRegMap},
      {"CxSwCtrlRegMap", &lo1_->CxSwCtrlRegMap},
      {"Lo1Ad9162RegMap", &lo1_->Ad9162RegMap},
      {"Lo1AuxInterfaceRegMap", &lo1_->AuxInterfaceRegMap},
      {"TICDCE18005RegMap", clockBufferMap_},
  };
  addAll(dispatcher, maps, status);
}

void CompositeMaps::markDirty() {
  if (board_.getRefCpld() != nullptr) board_.getRefCpld()->markDirtyRegMap();
  if (lo0_ != nullptr) lo0_->markDirtyRegMap();
  if (lo1_ != nullptr) lo1_->markDirtyRegMap();
}

}  // namespace nVL9738K_24_0
