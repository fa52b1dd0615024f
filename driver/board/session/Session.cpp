#include "Session.h"

#include "driver/platform/sync/Atomic.h"

namespace nVL9738K_24_0 {

Session::Session(nVLAPAL000::tDeviceInterface* interface, const uint32_t& generation, const uint32_t& listModeEpoch,
                 RoutingResourcesManager& manager, nVLAPAL000::tMutex& routingLock, nVLAPALS100::tStatus& status)
    : tSession(interface, status),
      routing_(&manager, notifier_, status),
      notifier_(),
      manager_(manager),
      routingLock_(routingLock),
      generation_(&generation),
      generationAtOpen_(nVLAPAL000::atomicLoad(generation)),
      listModeEpoch_(&listModeEpoch) {
  if (status.isFatal()) return;
  routing_.setRegistered(true);
  nVLAPAL000::tAutoLock<nVLAPAL000::tMutex> lock(routingLock_);
  manager_.registerRoutingSession(routing_);
}

// The notifier closes under the routing part's mutex so that a reset or a
// download demoting the session never notifies through a closing socket;
// the unlink takes the device's routing lock for the same list the device
// walks.
Session::~Session() {
  nVLAPALS100::tStatus local;
  checkValid(local);
  closeNotifier();
  if (routing_.isRegistered()) {
    nVLAPAL000::tAutoLock<nVLAPAL000::tMutex> lock(routingLock_);
    manager_.unregisterRoutingSession(routing_);
  }
  setListModeSession(nullptr);
}

bool Session::isStale() const { return nVLAPAL000::atomicLoad(*generation_) != generationAtOpen_; }

void Session::checkValid(nVLAPALS100::tStatus& status) {
  if (isStale()) status.setCode(kStaleSession, VL_SITE);
  // The list-mode session (told the error) and the reservation client are
  // released on any error. Told the error, the list-mode session leaves its
  // engine alone: the engine may be gone with the FPGA image it ran on. Its
  // recording ends all the same while the snooping objects it was attached
  // to stand (a shutdown keeps them): left recording, they would refuse
  // every other session's access to the recorded maps for as long as they
  // last. The epoch moves before those objects go and before the drain
  // that lets them go, and this runs counted among the requests in flight,
  // so the objects cannot go while it reaches them.
  if (status.isFatal() && listModeSession_ != nullptr) {
    if (nVLAPAL000::atomicLoad(*listModeEpoch_) == listModeEpochAtSet_) listModeSession_->endCommitUnreported();
    listModeSession_->setInvalidationCode(static_cast<uint32_t>(status.getCode()));
    setListModeSession(nullptr);
  }
  if (status.isFatal()) reservation_.close();
}

void Session::setListModeSession(listmodek::Session* session) {
  delete listModeSession_;
  listModeSession_ = session;
  listModeEpochAtSet_ = nVLAPAL000::atomicLoad(*listModeEpoch_);
}

void Session::createIONotifier(uint32_t type, const nVLAPAL000::tIONotifierParams& params,
                               nVLAPALS100::tStatus& status) {
  if (type != kNotifierType || !routing_.isRegistered()) return;
  nVLAPAL000::tAutoLock<nVLAPAL000::tMutex> lock(routing_.getMutex());
  notifier_.initialize(params, status);
}

void Session::destroyIONotifier(uint32_t type) {
  if (type != kNotifierType) return;
  closeNotifier();
}

void Session::closeNotifier() {
  if (!routing_.getMutex().isValid()) return;
  nVLAPAL000::tAutoLock<nVLAPAL000::tMutex> lock(routing_.getMutex());
  if (notifier_.isInitialized()) notifier_.close();
}

}  // namespace nVL9738K_24_0
