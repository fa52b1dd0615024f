#include "AtomicLymSession.h"

#include "driver/platform/sync/Atomic.h"

namespace qrtlym {

const RoutingMatrixVersion kRoutingMatrixVersion1{100, 1, 1};
const RoutingMatrixVersion kRoutingMatrixVersion2{200, 1, 1};

AtomicLymSession::AtomicLymSession(nVLAPAL000::tDeviceInterface* interface, const uint32_t* generation,
                                   const uint32_t* stateEpoch, AtomicLymDeviceState* state, tStatus& status)
    : tSession(interface, status),
      session_(*state, stateEpoch),
      generation_(generation),
      generationAtOpen_(nVLAPAL000::atomicLoad(*generation)) {}

AtomicLymSession::~AtomicLymSession() {
  tStatus local;
  checkValid(local);
  session_.close(session_.isOnCurrentState());
}

void AtomicLymSession::checkValid(tStatus& status) {
  if (nVLAPAL000::atomicLoad(*generation_) != generationAtOpen_) status.setCode(kStaleSession, VL_SITE);
  if (status.isFatal()) session_.setInvalidStatus(static_cast<int32_t>(status.getCode()));
}

void AtomicLymSession::refreshGeneration() { generationAtOpen_ = nVLAPAL000::atomicLoad(*generation_); }

}  // namespace qrtlym
