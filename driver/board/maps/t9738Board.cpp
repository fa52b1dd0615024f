#include "t9738Board.h"

#include "driver/platform/memory/Memory.h"
#include "driver/regaccess/ChildWindow.h"
#include "driver/regmaps/board/cpld/tVl9738RefCpld.h"

namespace n9738Board {

t9738Board::t9738Board(nHostRegMap::tHostRegMap* hostRegMap)
    : hostRegMap_(hostRegMap), refCpld_(nullptr), loCpld_{nullptr, nullptr} {}

t9738Board::~t9738Board() {
  emptyRefCpldSlot();
  replaceLoCpld(0, nullptr);
  replaceLoCpld(1, nullptr);
  delete hostRegMap_;
}

void t9738Board::create_RefCpld_RefAuxBus(vllym::kernel::IIoAccessor* accessor, tStatus& status) {
  if (status.isFatal()) return;
  // The composite reaches exactly the part of its CPLD that lies inside
  // the host window, wherever that window starts.
  const arm::tChildWindow at = arm::childWindow(hostRegMap_->getBase(), hostRegMap_->getWindowStart(),
                                                hostRegMap_->getWindowSize(), kRefCpldOffset, kCpldSize);
  auto* composite = new (status, nVLAPAL000::kAllocationKindPlain)
      nVl9738RefCpld::tVl9738RefCpld(accessor, at.base, at.windowStart, at.windowSize);
  // The previous composite goes whether or not its successor exists.
  emptyRefCpldSlot();
  refCpld_ = composite;
  if (composite == nullptr || status.isFatal()) return;
  hostRegMap_->RefCpld.map = composite;
}

void t9738Board::emptyRefCpldSlot() {
  if (hostRegMap_ != nullptr) hostRegMap_->RefCpld.map = nullptr;
  delete refCpld_;
  refCpld_ = nullptr;
}

void t9738Board::replaceLoCpld(unsigned lo, arm::tRegisterMapInterface* composite) {
  if (lo >= 2) return;
  if (hostRegMap_ != nullptr) {
    if (lo == 0) {
      hostRegMap_->Lo0Cpld.map = nullptr;
    } else {
      hostRegMap_->Lo1Cpld.map = nullptr;
    }
  }
  delete loCpld_[lo];
  loCpld_[lo] = composite;
}

}  // namespace n9738Board
