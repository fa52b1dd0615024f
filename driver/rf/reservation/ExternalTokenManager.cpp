#include "ExternalTokenManager.h"

#include "driver/platform/idle/CompositeIdleTracker.h"

namespace rfyulreserve_impl {

using rfyulreserve::ReservationClientID;
using rfyulreserve::tokenValue;

ReservationClientID ExternalTokenManager<ReservationClientID>::createToken(const char* descriptor,
                                                                           nVLAPALS100::tStatus& status) {
  if (status.isFatal()) return nullToken;
  const ReservationClientID id{rfCompositeIdleTracker_createIdleID(&status)};
  map_.insert(descriptor, id, status);
  if (status.isNotFatal()) return id;
  // The tracker already counts this client: give the id back, or it would
  // stay held for good.
  rfCompositeIdleTracker_releaseIdleID(tokenValue(id), &status);
  return nullToken;
}

void ExternalTokenManager<ReservationClientID>::attachToken(const char* descriptor, ReservationClientID token,
                                                            nVLAPALS100::tStatus& status) {
  if (status.isFatal()) return;
  map_.insert(descriptor, token, status);
  if (status.isNotFatal()) rfCompositeIdleTracker_increaseReferenceCount(tokenValue(token), &status);
}

// The tracker is told first, so an id this manager does not know is still
// dropped there before the lookup fails.
void ExternalTokenManager<ReservationClientID>::releaseToken(ReservationClientID token, nVLAPALS100::tStatus& status) {
  if (status.isFatal()) return;
  rfCompositeIdleTracker_releaseIdleID(tokenValue(token), &status);
  map_.erase(token, status);
}

}  // namespace rfyulreserve_impl
