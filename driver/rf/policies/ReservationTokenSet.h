// The six sharing policies of the board, one per shared setting, and the
// ids the reservation manager gave them. They are registered in a fixed
// order (reference clock, cross switch, LO0 and LO1 frequency, LO0 and LO1
// power) and unregistered in the reverse order before they go away.
#ifndef VL9738K_RF_POLICIES_RESERVATION_TOKEN_SET_H
#define VL9738K_RF_POLICIES_RESERVATION_TOKEN_SET_H

#include <stdint.h>

#include "../reservation/SharedReservationSingleSettingsDeployPolicy.h"
#include "../reservation/SharedReservationSuggestedSettingsDeployPolicy.h"
#include "../settings/CrossSwitchSettings.h"
#include "../settings/RefClockSettings.h"
#include "CommitHelper.h"
#include "FrequencyPolicy.h"
#include "iPolicyRegistrar.h"

namespace nVL9738K_24_0 {

using RefClockPolicy = rfyulreserve_impl::SharedReservationSingleSettingsDeployPolicy<vl9738settings::RefClockSettings>;
using CrossSwitchPolicy =
    rfyulreserve_impl::SharedReservationSuggestedSettingsDeployPolicy<vl9738settings::CrossSwitchSettings>;

class ReservationTokenSet {
 public:
  static constexpr uint32_t kPolicyCount = 6;
  static constexpr uint32_t kLoPaths = 2;

  ReservationTokenSet();
  ReservationTokenSet(const ReservationTokenSet&) = delete;
  ReservationTokenSet& operator=(const ReservationTokenSet&) = delete;
  ~ReservationTokenSet();

  // Registers the six in order; stops at the first failure, keeping the
  // ones already registered (the destructor unregisters them).
  void registerPolicies(iPolicyRegistrar& registrar, nVLAPALS100::tStatus& status);
  // Unregisters in reverse order; failures are dropped, since the policies
  // go away whatever the manager answers.
  void unregisterPolicies();

  RefClockPolicy& refClockPolicy() { return refClock_; }
  CrossSwitchPolicy& crossSwitchPolicy() { return crossSwitch_; }
  FrequencyPolicy& frequencyPolicy(uint32_t lo) { return lo == 0 ? lo0Frequency_ : lo1Frequency_; }
  PowerPolicy& powerPolicy(uint32_t lo) { return lo == 0 ? lo0Power_ : lo1Power_; }
  // In registration order; the invalid id 0 while not registered.
  rfyulreserve::ReservationPolicyID policyId(uint32_t index) const { return ids_[index]; }
  rfyulreserve_impl::iReservationPolicy& policy(uint32_t index);

 private:
  RefClockPolicy refClock_;
  CrossSwitchPolicy crossSwitch_;
  FrequencyPolicy lo0Frequency_;
  FrequencyPolicy lo1Frequency_;
  PowerPolicy lo0Power_;
  PowerPolicy lo1Power_;
  iPolicyRegistrar* registrar_ = nullptr;
  rfyulreserve::ReservationPolicyID ids_[kPolicyCount] = {};
};

}  // namespace nVL9738K_24_0

#endif
