#include "RecordedMaps.h"

namespace nVL9738K_24_0 {

// The maps as their snoopers registered them, by their own types.
template <typename tVisit>
void RecordedMaps::visitMaps(uint32_t touches, tVisit visit) const {
  if ((touches & kReference) != 0) visit(board_.getRefCpld());
  const auto* lo0 = composites_.getLo0Cpld();
  if ((touches & kLo0Dac) != 0 && lo0 != nullptr) visit(&lo0->Ad9162RegMap);
  if ((touches & kLo0BoardControl) != 0 && lo0 != nullptr) visit(&lo0->BoardCtrlRegMap);
  const auto* lo1 = composites_.getLo1Cpld();
  if ((touches & kLo1Dac) != 0 && lo1 != nullptr) visit(&lo1->Ad9162RegMap);
  if ((touches & kLo1BoardControl) != 0 && lo1 != nullptr) visit(&lo1->BoardCtrlRegMap);
}

void RecordedMaps::refuseUnrecorded(uint32_t touches, tStatus& status) const {
  if (status.isFatal() || manager_ == nullptr) return;
  visitMaps(touches, [&](const void* map) { manager_->refuseUnrecordedAccess(map, status); });
}

bool RecordedMaps::recordsAny(uint32_t touches) const {
  bool recorded = false;
  if (manager_ != nullptr) visitMaps(touches, [&](const void* map) { recorded |= manager_->isRecordedNow(map); });
  return recorded;
}

// The reference CPLD's children share its accessor, so each of them is
// recorded with it; an LO composite holds its path's two recorded maps.
uint32_t RecordedMaps::touchesOf(const arm::tRegisterMapInterface* map) const {
  using tMap = const arm::tRegisterMapInterface*;
  if (const auto* ref = board_.getRefCpld(); ref != nullptr) {
    const tMap parts[] = {ref,
                          &ref->TemperatureRegMap,
                          &ref->Lo0RefClkToLoRegMap,
                          &ref->Lo1RefClkToLoRegMap,
                          &ref->Ad9512RegMap,
                          &ref->Hmc703RegMap,
                          &ref->AuxInterfaceRegMap};
    for (tMap part : parts) {
      if (part == map) return kReference;
    }
  }
  uint32_t touches = 0;
  if (const auto* lo0 = composites_.getLo0Cpld(); lo0 != nullptr) {
    if (map == lo0 || map == &lo0->Ad9162RegMap) touches |= kLo0Dac;
    if (map == lo0 || map == &lo0->BoardCtrlRegMap) touches |= kLo0BoardControl;
  }
  if (const auto* lo1 = composites_.getLo1Cpld(); lo1 != nullptr) {
    if (map == lo1 || map == &lo1->Ad9162RegMap) touches |= kLo1Dac;
    if (map == lo1 || map == &lo1->BoardCtrlRegMap) touches |= kLo1BoardControl;
  }
  return touches;
}

void RecordedMaps::refuseUnrecordedMap(const arm::tRegisterMapInterface* map, tStatus& status) const {
  refuseUnrecorded(touchesOf(map), status);
}

}  // namespace nVL9738K_24_0
