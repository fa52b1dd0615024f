#include "SessionRoutingPart.h"

namespace nVL9738K_24_0 {

SessionRoutingPart::SessionRoutingPart(RoutingResourcesManager* manager, nVLAPAL000::tIONotifier& notifier,
                                       nVLAPALS100::tStatus& status)
    : RoutingSessionBase(manager, status), seeds_(), destinationIds_(), notifier_(notifier), registered_(0) {
  lendFixedBuffers(seeds_, destinationIds_);
}

void SessionRoutingPart::demoteSession() {
  if (!isRegistered() || !isValid()) return;
  nVLAPAL000::tAutoLock<nVLAPAL000::tMutex> lock(getLock());
  if (!notifier_.isInitialized()) return;
  nVLAPALS100::tStatus local;
  notifier_.notify(nullptr, 0, local);
}

}  // namespace nVL9738K_24_0
