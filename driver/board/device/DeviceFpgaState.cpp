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

// The epoch moves before the count is read, and a close counts itself
// before its session reads the epoch: either this sees the close and waits
// for it, or the close sees the epoch moved and touches nothing of the
// state. A counted close may wait for the FPGA lock behind another
// session's wait without limit, so the waits end first; the abort stays
// latched until the state goes, and no later wait holds the close up.
void Device::releaseFpgaState() {
  if (fpgaState_ == nullptr) return;
  nVLAPAL000::atomicIncrement(fpgaStateEpoch_);
  if (nVLAPAL000::atomicLoad(fpgaCloses_) != 0) {
    endFpgaWaits();
    tStatus forever;
    while (nVLAPAL000::atomicLoad(fpgaCloses_) != 0) fpgaClosesDrained_.wait(nVLAPAL000::kWaitForever, false, forever);
  }
  delete fpgaState_;
  fpgaState_ = nullptr;
}

// A close gives its FIFOs and personalities back, and a personality waits
// for the exclusive FPGA lock, which may sit behind another session's wait
// without limit: so the close holds no lock that other closes, opens or
// requests need, and waits for nothing its own session does not hold. It
// is only counted, so that the state and its lock stay while it is in them.
void Device::closeLymSession(nVLAPAL000::tSession* session) {
  nVLAPAL000::atomicIncrement(fpgaCloses_);
  delete session;
  if (nVLAPAL000::atomicDecrement(fpgaCloses_) == 0) fpgaClosesDrained_.set();
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
