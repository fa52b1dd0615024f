// Makes a board register map that has no instruction target of its own
// snoopable: while a commit is recorded its accessor is replaced by one
// that turns each register access into an instruction of the snooping
// context's subsystem, sent into the (then redirected) snooping manager.
#ifndef VL9738K_LISTMODE_SNOOPING_REGMAPSNOOPER_H
#define VL9738K_LISTMODE_SNOOPING_REGMAPSNOOPER_H

#include "IoAccessorWithContextualize.h"
#include "SnoopingSites.h"
#include "driver/listmode/ListModeStatusCodes.h"
#include "driver/listmode/iListSnoopingListener.h"
#include "driver/platform/status/StatusSite.h"
#include "driver/regmaps/board/cpld/tVl9738RefCpld.h"

namespace SnoopingManager::internal {

// The accessor references that one snooper swaps together: a map's own,
// by default.
template <typename T>
void setSnoopedAccessors(T& map, vllym::kernel::IIoAccessor* accessor) {
  map.setAccessor(accessor);
}

// The reference CPLD's child maps each hold a reference of their own over
// the composite's window: all seven move together, or part of a commit
// would reach the hardware.
inline void setSnoopedAccessors(nVl9738RefCpld::tVl9738RefCpld& map, vllym::kernel::IIoAccessor* accessor) {
  map.setAccessor(accessor);
  map.TemperatureRegMap.setAccessor(accessor);
  map.Lo0RefClkToLoRegMap.setAccessor(accessor);
  map.Lo1RefClkToLoRegMap.setAccessor(accessor);
  map.Ad9512RegMap.setAccessor(accessor);
  map.Hmc703RegMap.setAccessor(accessor);
  map.AuxInterfaceRegMap.setAccessor(accessor);
}

template <typename T>
class RegMapSnooper : public listmodek::iListSnoopingListener {
 public:
  RegMapSnooper(T* map, vlifw::InstructionTarget* target, const vlifw::ContextInterface* context, uint32_t base,
                uint32_t shift)
      : map_(map), target_(target), context_(context), accessor_(target, context, base, shift) {}

  // The inserter is reached through the redirected manager, not from here.
  void onStartCommitSnooping(listmodek::iListInstructionInserter*, tStatus& status) override {
    if (status.isFatal()) return;
    if (saved_ != nullptr) {
      status.setCode(listmodek::codes::kNoListMode, VL_SITE_AT(listmodek::snooping_sites::kManager, __LINE__));
      return;
    }
    saved_ = map_->getAccessor();
    setSnoopedAccessors(*map_, &accessor_);
  }
  // Restores whatever the status holds.
  void onStopCommitSnooping(tStatus&) override {
    if (saved_ == nullptr) return;
    setSnoopedAccessors(*map_, saved_);
    saved_ = nullptr;
  }

  bool isSnooping() const { return saved_ != nullptr; }

 private:
  T* map_;
  vlifw::InstructionTarget* target_;
  const vlifw::ContextInterface* context_;
  vllym::kernel::IIoAccessor* saved_ = nullptr;
  nVL9738K_24_0::IoAccessorWithContextualize accessor_;
};

}  // namespace SnoopingManager::internal

#endif
