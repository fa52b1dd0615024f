#include "SessionRoutingPart.h"

namespace nVL9738K_24_0 {

SessionRoutingPart::SessionRoutingPart(nVLAPAL000::tIONotifier& notifier, nVLAPALS100::tStatus& status)
    : mutex_(status), resources_(nullptr), notifier_(notifier), registered_(0) {}

void SessionRoutingPart::clearRoutingResources() {
  nVLAPAL000::tAutoLock<nVLAPAL000::tMutex> lock(mutex_);
  resources_ = nullptr;
}

void SessionRoutingPart::demoteSession() {
  if (!isRegistered() || !mutex_.isValid()) return;
  nVLAPAL000::tAutoLock<nVLAPAL000::tMutex> lock(mutex_);
  if (!notifier_.isInitialized()) return;
  nVLAPALS100::tStatus local;
  notifier_.notify(nullptr, 0, local);
}

void SessionRoutingPart::setRoutingResources(RoutingResources* resources) {
  nVLAPAL000::tAutoLock<nVLAPAL000::tMutex> lock(mutex_);
  resources_ = resources;
}

}  // namespace nVL9738K_24_0
