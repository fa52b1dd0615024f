// The Device's FPGA side: the state all FPGA sessions share, the opens of
// the FPGA-session interface and the validity check of their requests.
#include "Device.h"
#include "driver/platform/memory/Memory.h"
#include "driver/platform/sync/Atomic.h"

namespace nVL9738K_24_0 {

namespace {

enum Record : uint32_t { kFpgaImageRecord, kPropertiesRecord, kPowerUpRecord, kLateRecord };

}  // namespace

// A state whose members failed still becomes current: the failure is in
// the bring-up status, and the sessions must find the state it left.
void Device::replaceFpgaState(tStatus& status) {
  if (status.isFatal()) return;
  AtomicLymDeviceState* state = new (status, nVLAPAL000::kAllocationKindPlain) AtomicLymDeviceState(board_, status);
  if (state == nullptr) return;
  state->setRequestLock(&sessionLock_);
  releaseFpgaState();
  fpgaState_ = state;
}

// An over-temperature shutdown keeps the FPGA state and does not drain: it
// leaves the waits alone, so that no abort stays latched for later sessions.
void Device::endFpgaWaits() {
  if (fpgaState_ == nullptr) return;
  tStatus local;
  fpgaState_->abortAllWaits(vllym::kStatusWaitAborted, local);
}

// Under the state's own lock, so that no FPGA session closes into the
// state while it goes: a close either finishes first or finds the epoch
// moved. Not the session lock: a reset holds the reset lock here, and an
// over-temperature shutdown takes the reset lock under the session lock.
void Device::releaseFpgaState() {
  if (fpgaState_ == nullptr) return;
  const bool locked = fpgaStateLock_.isValid();
  if (locked) fpgaStateLock_.acquire();
  nVLAPAL000::atomicIncrement(fpgaStateEpoch_);
  delete fpgaState_;
  fpgaState_ = nullptr;
  if (locked) fpgaStateLock_.release();
}

// Without a state the bring-up did not get that far, and the power-up
// record says why.
nVLAPAL000::tSession* Device::createLymSession(nVLAPAL000::tDeviceInterface* interface, tStatus& status) {
  if (fpgaState_ == nullptr) {
    status.merge(records_[kPowerUpRecord]);
    status.setCode(nVLAPALS100::kStatusRequestFailure, VL_SITE);
    return nullptr;
  }
  return new (status, nVLAPAL000::kAllocationKindPlain)
      qrtlym::AtomicLymSession(interface, &fpgaSessionGeneration_, &fpgaStateEpoch_, fpgaState_, status);
}

void Device::refreshLymSessionValidity(nVLAPAL000::tSession* session) {
  if (session == nullptr || session->getInterface() != &fpgaInterface_) return;
  tStatus local;
  static_cast<qrtlym::AtomicLymSession*>(session)->checkValid(local);
}

}  // namespace nVL9738K_24_0
