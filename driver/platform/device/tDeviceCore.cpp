#include "tDeviceCore.h"

#include "../status/SourceSites.h"
#include "../sync/Atomic.h"
#include "DeviceSites.h"
#include "tSession.h"

namespace nVLAPAL000 {
namespace {

using nVLAPALS100::tStatus;

void refuseAsNotSupported(tStatus& status, uint64_t line) {
  status.setCode(nVLAPALS100::kStatusNotSupported, VL_SITE_AT(sites::kDeviceCore, line));
}

}  // namespace

tDeviceCore::tDeviceCore(tStatus& status)
    : asyncIOLock_(status, sites::kSynchronization, sites::lines::kAsyncLockCreation),
      state_(kPnPStateNotStarted),
      previousState_(kPnPStateNotStarted),
      drainEvent_(true, true, status),
      openSessions_(0),
      inFlight_(0),
      asyncList_(),
      gateEvent_(true, true, status),
      gate_(kGateClosed),
      dmaConfiguration_() {}

tDeviceCore::~tDeviceCore() = default;

tDeviceInterface** tDeviceCore::getDeviceInterfaces() { return nullptr; }

tProperty** tDeviceCore::getDeviceProperties() { return nullptr; }

tSession* tDeviceCore::createSession(tEventDescriptor&, tDeviceInterface*, tStatus& status) {
  refuseAsNotSupported(status, sites::lines::kCreateSessionNotSupported);
  return nullptr;
}

void tDeviceCore::beginSessionClose(tEventDescriptor& descriptor) {
  tSession* session = descriptor.session;
  if (session == nullptr) return;
  acquireAsyncIOLock();
  session->closing_ = 1;
  releaseAsyncIOLock();
  cancelSessionAsyncIO(session);
}

void tDeviceCore::destroySession(tEventDescriptor&, tSession*) {}

uint64_t tDeviceCore::read(tEventDescriptor&, tUserBuffer&, tStatus& status) {
  refuseAsNotSupported(status, sites::lines::kReadNotSupported);
  return 0;
}

uint64_t tDeviceCore::write(tEventDescriptor&, tUserBuffer&, tStatus& status) {
  refuseAsNotSupported(status, sites::lines::kWriteNotSupported);
  return 0;
}

uint64_t tDeviceCore::ioControl(tEventDescriptor&, uint32_t, tUserBuffer&, tUserBuffer&, tStatus& status) {
  refuseAsNotSupported(status, sites::lines::kIoControlNotSupported);
  return 0;
}

void tDeviceCore::mapMemory(tEventDescriptor&, tUserMemoryMap*, tStatus& status) {
  refuseAsNotSupported(status, sites::lines::kMapMemoryNotSupported);
}

void tDeviceCore::unmapMemory(tEventDescriptor&, tUserMemoryMap*) {}

void tDeviceCore::start(tEventDescriptor&, tStatus&) {}

void tDeviceCore::stop(tEventDescriptor&) {}

// Below reason 2 the device is going away: requests waiting at the gate
// must fail rather than wait for a device that will not come back.
bool tDeviceCore::quiesce(tEventDescriptor&, uint32_t reason, bool refuseIfOpen) {
  if (refuseIfOpen && getOpenSessionCount() != 0) return false;
  setGate(reason < 2 ? kGateClosed : kGateSuspended);
  flushPendingAsyncIO();
  return true;
}

void tDeviceCore::openStateGate(tEventDescriptor&) { setGate(kGateOpen); }

void tDeviceCore::sleep(tEventDescriptor&) {}

void tDeviceCore::wake(tEventDescriptor&) {}

void tDeviceCore::markNotPresent(tEventDescriptor&) { setGate(kGateClosed); }

void tDeviceCore::createIONotifier(tEventDescriptor&, uint32_t, tIONotifierParams&, tStatus& status) {
  refuseAsNotSupported(status, sites::lines::kNotifierNotSupported);
}

void tDeviceCore::destroyIONotifier(tEventDescriptor&, uint32_t) {}

void tDeviceCore::configureDMA(tDMAConfiguration::tDMAType type, tStatus&) {
  dmaConfiguration_.configure(type, nullptr);
}

// Counting in first and re-reading the gate afterwards closes the race
// with a closer: either it sees our count and waits for us, or we see its
// gate and undo the admission.
bool tDeviceCore::admit(tSession* session) {
  atomicIncrement(inFlight_);
  if (getGate() == kGateOpen) {
    if (session != nullptr) atomicIncrement(session->inFlight_);
    return true;
  }
  if (atomicDecrement(inFlight_) == 0) drainEvent_.set();
  return false;
}

// A failed wait (interrupted, or out of time) ends the admission: the gate
// may stay suspended for long, and the caller has a status to report.
bool tDeviceCore::waitWhileSuspended(tStatus& status, uint32_t timeoutMs) {
  do {
    gateEvent_.wait(timeoutMs, true, status);
    if (status.isFatal()) return false;
  } while (getGate() == kGateSuspended);
  // The gate event is auto-reset and one set wakes one waiter: hand the
  // change on to the next request waiting here.
  gateEvent_.set();
  return true;
}

bool tDeviceCore::beginIO(tSession* session, tStatus& status, uint32_t timeoutMs) {
  if (status.isFatal()) return false;
  for (;;) {
    const uint32_t gate = getGate();
    if (gate == kGateOpen) {
      if (admit(session)) return true;
    } else if (gate == kGateSuspended) {
      if (!waitWhileSuspended(status, timeoutMs)) return false;
    } else {
      status.setCode(nVLAPALS100::kStatusGateClosed, VL_SITE_AT(sites::kDeviceCore, sites::lines::kGateClosed));
      return false;
    }
  }
}

bool tDeviceCore::tryBeginIO(tSession* session, tStatus& status) {
  if (status.isFatal()) return false;
  while (getGate() == kGateOpen) {
    if (admit(session)) return true;
  }
  status.setCode(nVLAPALS100::kStatusGateClosed, VL_SITE_AT(sites::kDeviceCore, sites::lines::kGateClosedNoWait));
  return false;
}

void tDeviceCore::beginUnadmittedIO() { atomicIncrement(inFlight_); }

void tDeviceCore::endIO(tSession* session) {
  if (session != nullptr && atomicDecrement(session->inFlight_) == 0) session->drainEvent_.set();
  if (atomicDecrement(inFlight_) == 0) drainEvent_.set();
}

void tDeviceCore::acquireAsyncIOLock() { asyncIOLock_.acquireDPC(); }

void tDeviceCore::releaseAsyncIOLock() { asyncIOLock_.releaseDPC(); }

void tDeviceCore::setState(tPnPState state) {
  previousState_ = state_;
  state_ = state;
}

// One transition from the current state towards `target`. `arrived` is set
// when the walk ends here with the target reached.
bool tDeviceCore::stepTowards(tEventDescriptor& descriptor, tPnPState target, uint32_t reason, bool refuseIfOpen,
                              tStatus& status, bool& arrived) {
  switch (state_) {
    case kPnPStateNotStarted:
      if (target == kPnPStateNotPresent) {
        markNotPresent(descriptor);
        setState(kPnPStateNotPresent);
        return arrived = true;
      }
      start(descriptor, status);
      if (status.isFatal()) return false;
      setState(kPnPStateReady);
      return true;
    case kPnPStateReady:
      if (!quiesce(descriptor, reason, refuseIfOpen)) return false;
      setState(kPnPStateIOSuspended);
      return true;
    case kPnPStateIOSuspended:
      if (target == kPnPStateReady) {
        openStateGate(descriptor);
        setState(kPnPStateReady);
        return arrived = true;
      }
      waitForDrain(false, status, kWaitForever);
      if (target == kPnPStateSleep) {
        sleep(descriptor);
        setState(kPnPStateSleep);
        return arrived = true;
      }
      stop(descriptor);
      setState(kPnPStateNotStarted);
      return true;
    case kPnPStateSleep:
      wake(descriptor);
      setState(kPnPStateIOSuspended);
      return true;
    default:
      status.setCode(nVLAPALS100::kStatusInvalidParameter, VL_SITE);
      return false;
  }
}

// Not present is final and the walk has no way out of it; an unknown
// target would make the walk circle for ever. Both are refused.
bool tDeviceCore::changeState(tEventDescriptor& descriptor, tPnPState target, uint32_t reason, bool refuseIfOpen,
                              tStatus& status) {
  if (status.isFatal()) return false;
  if (state_ == target) return true;
  if (target > kPnPStateNotPresent || state_ == kPnPStateNotPresent) {
    status.setCode(nVLAPALS100::kStatusInvalidParameter, VL_SITE);
    return false;
  }
  bool arrived = false;
  while (!arrived && state_ != target) {
    if (!stepTowards(descriptor, target, reason, refuseIfOpen, status, arrived)) return false;
  }
  return true;
}

// A wait that fails has consumed no signal, so only a successful one hands
// the drain on to the next waiter.
void tDeviceCore::waitForDrain(bool interruptible, tStatus& status, uint32_t timeoutMs) {
  do {
    drainEvent_.wait(timeoutMs, interruptible, status);
    if (status.isFatal()) return;
  } while (getInFlightCount() != 0);
  drainEvent_.set();
}

tSession* tDeviceCore::openDeviceInterface(tEventDescriptor& descriptor, tDeviceInterface* interface, tStatus& status) {
  tSession* session = createSession(descriptor, interface, status);
  if (status.isNotFatal() && session != nullptr) atomicIncrement(openSessions_);
  return session;
}

void tDeviceCore::closeDeviceInterface(tEventDescriptor& descriptor, tSession* session) {
  tStatus forever;
  do {
    session->drainEvent_.wait(kWaitForever, false, forever);
  } while (session->getInFlightCount() != 0);
  session->drainEvent_.set();
  atomicDecrement(openSessions_);
  destroySession(descriptor, session);
}

bool tDeviceCore::startAsyncIO(tAsyncIO& operation, tStatus& status) {
  tSession* session = operation.session_;
  if (!tryBeginIO(session, status)) return false;
  acquireAsyncIOLock();
  if (session != nullptr && session->closing_ != 0) {
    releaseAsyncIOLock();
    status.setCode(nVLAPALS100::kStatusSessionClosing, VL_SITE_AT(sites::kDeviceCore, sites::lines::kSessionClosing));
    endIO(session);
    return false;
  }
  operation.deviceLink_.insertBefore(asyncList_);
  if (session != nullptr) operation.sessionLink_.insertBefore(session->asyncList_);
  operation.pending_ = 1;
  operation.cancelled_ = 0;
  releaseAsyncIOLock();
  operation.startCallback();
  return true;
}

// Runs under the async-I/O lock.
void tDeviceCore::withdraw(tAsyncIO& operation) {
  operation.sessionLink_.unlink();
  operation.deviceLink_.unlink();
  operation.pending_ = 0;
}

bool tDeviceCore::completeAsyncIO(tAsyncIO& operation, void* result) {
  acquireAsyncIOLock();
  const bool pending = operation.pending_ == 1;
  if (pending) withdraw(operation);
  releaseAsyncIOLock();
  if (!pending) return false;
  tSession* session = operation.session_;
  operation.completeCallback(result);
  endIO(session);
  return true;
}

// Runs under the async-I/O lock. The operation may free itself in its
// completion, so nothing of it is touched afterwards.
void tDeviceCore::cancelOne(tAsyncIO& operation) {
  if (operation.pending_ != 1 || operation.cancelled_ != 0 || operation.cancelExempt_ != 0) return;
  const bool withdrawn = operation.cancel();
  operation.cancelled_ = 1;
  if (!withdrawn || operation.pending_ != 1) return;
  withdraw(operation);
  tSession* session = operation.session_;
  operation.completeCallback(nullptr);
  endIO(session);
}

void tDeviceCore::cancelQueued(tAsyncIOLink& head) {
  for (tAsyncIOLink* link = head.next; link != &head;) {
    tAsyncIOLink* next = link->next;
    cancelOne(*link->owner);
    link = next;
  }
}

void tDeviceCore::flushPendingAsyncIO() {
  acquireAsyncIOLock();
  cancelQueued(asyncList_);
  releaseAsyncIOLock();
}

void tDeviceCore::cancelSessionAsyncIO(tSession* session) {
  acquireAsyncIOLock();
  cancelQueued(session->asyncList_);
  releaseAsyncIOLock();
}

const char* tDeviceCore::stateName(tPnPState state) {
  static constexpr const char* kNames[] = {"kPnPStateNotStarted", "kPnPStateReady", "kPnPStateIOSuspended",
                                           "kPnPStateSleep", "kPnPStateNotPresent"};
  return state <= kPnPStateNotPresent ? kNames[state] : "invalid";
}

uint32_t tDeviceCore::getGate() const { return atomicLoad(gate_); }

void tDeviceCore::setGate(uint32_t gate) {
  atomicStore(gate_, gate);
  if (gate != kGateSuspended) gateEvent_.set();
}

uint32_t tDeviceCore::getOpenSessionCount() const { return atomicLoad(openSessions_); }

uint32_t tDeviceCore::getInFlightCount() const { return atomicLoad(inFlight_); }

}  // namespace nVLAPAL000
