#include "tSession.h"

#include "../sync/Atomic.h"
#include "tDeviceInterface.h"

namespace nVLAPAL000 {

tSession::tSession(tDeviceInterface* interface, nVLAPALS100::tStatus& status)
    : asyncList_(), interface_(interface), inFlight_(0), drainEvent_(true, true, status), closing_(0) {}

tSession::~tSession() = default;

tDevice* tSession::getDevice() const { return interface_ != nullptr ? interface_->getDevice() : nullptr; }

uint32_t tSession::getInFlightCount() const { return atomicLoad(inFlight_); }

}  // namespace nVLAPAL000
