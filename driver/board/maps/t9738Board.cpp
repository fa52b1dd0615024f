#include "t9738Board.h"

#include "driver/platform/memory/Memory.h"
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

t9738Board::tPlacement t9738Board::placeRefCpld(uint32_t hostBase, uint32_t hostWindowStart, uint32_t hostWindowSize) {
  // All in u32: a host window that starts past the CPLD's offset from the
  // host base reaches none of it.
  uint32_t window = 0;
  if (hostWindowStart <= hostBase + kRefCpldOffset && hostWindowSize > kRefCpldOffset) {
    const uint32_t beyond = hostWindowSize - kRefCpldOffset;
    window = beyond < kCpldSize ? beyond : kCpldSize;
  }
  return tPlacement{hostBase - hostWindowStart + kRefCpldOffset, window};
}

void t9738Board::create_RefCpld_RefAuxBus(vllym::kernel::IIoAccessor* accessor, tStatus& status) {
  if (status.isFatal()) return;
  const tPlacement at =
      placeRefCpld(hostRegMap_->getBase(), hostRegMap_->getWindowStart(), hostRegMap_->getWindowSize());
  auto* composite = new (status, nVLAPAL000::kAllocationKindPlain)
      nVl9738RefCpld::tVl9738RefCpld(accessor, at.base, 0, at.windowSize);
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
