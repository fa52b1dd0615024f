// Commits the reference-clock policy's coerced value on one path and
// records it as committed only when it reached the hardware. A commit made
// while a list-mode commit is recorded programs nothing now, so the
// committed value stays stale and the next reserve asks for a commit
// again instead of taking the hardware as already set.
#ifndef VL9738K_RF_PRIMITIVES_REFCLK_REF_CLOCK_COMMIT_H
#define VL9738K_RF_PRIMITIVES_REFCLK_REF_CLOCK_COMMIT_H

#include <stdint.h>

#include "../../reservation/SharedReservationSingleSettingsDeployPolicy.h"
#include "RefClockPrimitive.h"

namespace nVL9738K_24_0 {

using RefClockPolicy = rfyulreserve_impl::SharedReservationSingleSettingsDeployPolicy<vl9738settings::RefClockSettings>;

inline void commitRefClockPath(RefClockPrimitive& primitive, RefClockPolicy& policy, uint32_t path,
                               nVLAPALS100::tStatus& status) {
  policy.committedSettingsStale = 1;
  primitive.setRequested(policy.coercedSettings, status);
  const bool programmed = primitive.commit(path, status);
  if (programmed && status.isNotFatal()) policy.recordCommitted();
}

}  // namespace nVL9738K_24_0

#endif
