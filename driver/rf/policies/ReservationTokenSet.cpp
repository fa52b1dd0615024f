#include "ReservationTokenSet.h"

namespace nVL9738K_24_0 {

using rfyulreserve_impl::kRefClockConflictCode;
using rfyulreserve_impl::kReservationConflictCode;

ReservationTokenSet::ReservationTokenSet()
    : refClock_("9738 Reference Clock Source", kRefClockConflictCode),
      // A new cross-switch position waits for its client's next reserve.
      crossSwitch_("9738 Cross Switch Mode", kReservationConflictCode, false),
      lo0Frequency_("9738 LO0 Frequency"),
      lo1Frequency_("9738 LO1 Frequency"),
      lo0Power_("9738 LO0 Power", kReservationConflictCode, true),
      lo1Power_("9738 LO1 Power", kReservationConflictCode, true) {}

ReservationTokenSet::~ReservationTokenSet() { unregisterPolicies(); }

rfyulreserve_impl::iReservationPolicy& ReservationTokenSet::policy(uint32_t index) {
  rfyulreserve_impl::iReservationPolicy* const inOrder[kPolicyCount] = {&refClock_,     &crossSwitch_, &lo0Frequency_,
                                                                        &lo1Frequency_, &lo0Power_,    &lo1Power_};
  return *inOrder[index < kPolicyCount ? index : kPolicyCount - 1];
}

void ReservationTokenSet::registerPolicies(iPolicyRegistrar& registrar, nVLAPALS100::tStatus& status) {
  if (status.isFatal()) return;
  registrar_ = &registrar;
  for (uint32_t i = 0; i < kPolicyCount && status.isNotFatal(); ++i) {
    ids_[i] = registrar.registerPolicy(&policy(i), status);
  }
}

void ReservationTokenSet::unregisterPolicies() {
  if (registrar_ == nullptr) return;
  for (uint32_t i = kPolicyCount; i-- > 0;) {
    if (ids_[i] == rfyulreserve::kInvalidReservationPolicyID) continue;
    nVLAPALS100::tStatus ignored;
    registrar_->unregisterPolicy(ids_[i], ignored);
    ids_[i] = rfyulreserve::kInvalidReservationPolicyID;
  }
  registrar_ = nullptr;
}

}  // namespace nVL9738K_24_0
