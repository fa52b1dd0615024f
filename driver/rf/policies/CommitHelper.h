// Brings a policy's coerced value onto the hardware through the primitive
// that owns it and records in the policy what the hardware now holds. The
// committed value is marked stale before anything is programmed, so a
// commit that fails part-way leaves the policy answering "must commit" to
// every reserve until a later commit succeeds.
#ifndef VL9738K_RF_POLICIES_COMMIT_HELPER_H
#define VL9738K_RF_POLICIES_COMMIT_HELPER_H

#include <stdint.h>

#include "../../platform/status/tStatus.h"
#include "../primitives/CommittablePrimitive.h"
#include "../reservation/SharedReservationSuggestedSettingsDeployPolicy.h"
#include "../settings/FrequencySettings.h"
#include "../settings/PowerSettings.h"
#include "FrequencyPolicy.h"

namespace nVL9738K_24_0 {

using PowerPolicy = rfyulreserve_impl::SharedReservationSuggestedSettingsDeployPolicy<vl9738settings::PowerSettings>;

// Holders whose own request is concrete.
inline uint32_t countConcreteHolders(const FrequencyPolicy& policy) {
  uint32_t count = 0;
  for (auto* record = policy.firstClient(); record != nullptr; record = policy.nextClient(record)) {
    if (record->reserveCount != 0 && record->settings.suggest == 0) ++count;
  }
  return count;
}

// Several concrete holders may differ in the DLL fine delay, since the
// policy does not compare it; the one the hardware already runs with is
// kept rather than letting the last reserver's value move the DAC clock.
// Before any commit of this policy has succeeded there is no such value
// (the committed record is still all zero), so the coerced one is used.
template <typename tPrimitive>
requires CommittablePrimitive<tPrimitive, vl9738settings::FrequencySettings>
void commit_helper(tPrimitive& primitive, FrequencyPolicy& policy, nVLAPALS100::tStatus& status) {
  vl9738settings::FrequencySettings settings = policy.coercedSettings;
  if (countConcreteHolders(policy) > 1 && policy.hasCommittedSettings != 0) {
    settings.dllFine = policy.committedSettings.dllFine;
    policy.coercedSettings = settings;
  }
  policy.committedSettingsStale = 1;
  primitive.setRequested(settings, status);
  primitive.commit(status);
  if (status.isNotFatal()) policy.recordCommitted();
}

template <typename tPrimitive>
requires CommittablePrimitive<tPrimitive, vl9738settings::PowerSettings>
void commit_helper(tPrimitive& primitive, PowerPolicy& policy, nVLAPALS100::tStatus& status) {
  const vl9738settings::PowerSettings settings = policy.coercedSettings;
  policy.committedSettingsStale = 1;
  primitive.setRequested(settings, status);
  primitive.commit(status);
  if (status.isNotFatal()) policy.recordCommitted();
}

}  // namespace nVL9738K_24_0

#endif
