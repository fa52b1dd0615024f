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
  const bool known = map_.findTokenIterator(token) != nullptr;
  map_.insert(descriptor, token, status);
  if (status.isFatal()) return;
  rfCompositeIdleTracker_increaseReferenceCount(tokenValue(token), &status);
  // An id the tracker refused to share is held by nobody here: its name
  // must not outlive the attempt, or a later client given that id would
  // carry it.
  if (status.isFatal() && !known) {
    nVLAPALS100::tStatus local;
    map_.erase(token, local);
  }
}

// The tracker is told first, so an id this manager does not know is still
// dropped there before the lookup fails.
void ExternalTokenManager<ReservationClientID>::releaseToken(ReservationClientID token, nVLAPALS100::tStatus& status) {
  if (status.isFatal()) return;
  rfCompositeIdleTracker_releaseIdleID(tokenValue(token), &status);
  map_.erase(token, status);
}

}  // namespace rfyulreserve_impl
