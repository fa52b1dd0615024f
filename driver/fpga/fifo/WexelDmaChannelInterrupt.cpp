#include "WexelDmaChannelInterrupt.h"

#include "driver/fpga/FpgaFault.h"

namespace vllym {

WexelDmaChannelInterrupt::WexelDmaChannelInterrupt(volatile uint8_t* bridge, uint32_t index,
                                                   InterruptManagerBase* manager, tStatus& status)
    : WexelDmaChannel(bridge, index, status),
      errorSet_(0),
      errorCode_(0),
      manager_(manager),
      event_(status),
      callback_(nullptr),
      mode_(kModeNone),
      target_(0),
      last_(0) {}

WexelDmaChannelInterrupt::~WexelDmaChannelInterrupt() {}

void WexelDmaChannelInterrupt::registerInterruptCallback(IBoardDmaInterruptHandler* callback) {
  IsrLockOutsideHold hold(isrLock());
  callback_ = callback;
}

// The code is stored before the flag: a waiter that sees the flag sees the code.
void WexelDmaChannelInterrupt::setError(int32_t code) {
  __atomic_store_n(&errorCode_, code, __ATOMIC_RELAXED);
  __atomic_store_n(&errorSet_, 1, __ATOMIC_RELEASE);
  event_.signal();
}

void WexelDmaChannelInterrupt::clearError() { __atomic_store_n(&errorSet_, 0, __ATOMIC_RELEASE); }

bool WexelDmaChannelInterrupt::takeError(tStatus& status) {
  if (__atomic_load_n(&errorSet_, __ATOMIC_ACQUIRE) == 0) return false;
  status.setCode(__atomic_load_n(&errorCode_, __ATOMIC_RELAXED), VL_SITE);
  return true;
}

// Enables before the arming command: a count already reached raises its
// interrupt at once, and it must find the enable in place.
void WexelDmaChannelInterrupt::arm(uint32_t mode, uint64_t bytes) {
  IsrLockOutsideHold hold(isrLock());
  mode_ = mode;
  if (mode == kModeStop) {
    setInterruptEnables(kStopEnables);
  } else if (mode == kModeCount) {
    target_ = bytes;
    last_ = bytesTransferred();
    setInterruptEnables(kCountEnables);
    armCountInterrupt(bytes);
  } else {
    setInterruptEnables(0);
  }
}

void WexelDmaChannelInterrupt::handleInterrupt(uint32_t status) {
  WexelDmaChannel::handleInterrupt(status);
  if (callback_ != nullptr) callback_->handleDmaInterrupt(getIndex(), status);
  if (mode_ == kModeStop && (status & kStopEnables) != 0) {
    event_.signal();
  } else if (mode_ == kModeCount && (status & kCountReached) != 0) {
    last_ = bytesTransferred();
    if (last_ >= target_) event_.signal();
  }
}

void WexelDmaChannelInterrupt::waitForStop(uint32_t timeoutMs, tStatus& status) {
  if (status.isFatal()) return;
  event_.reset();
  arm(kModeStop, 0);
  event_.wait(timeoutMs, status);
  arm(kModeNone, 0);
}

uint64_t WexelDmaChannelInterrupt::waitForBytes(uint64_t bytes, uint32_t timeoutMs, uint8_t* timedOut,
                                                tStatus& status) {
  *timedOut = 0;
  // Reset before the error is looked at: an abort that lands in between
  // then leaves its signal for the wait below instead of losing it.
  event_.reset();
  takeError(status);
  if (status.isFatal()) return 0;
  uint64_t last = bytesTransferred();
  if (last >= bytes) return last;

  arm(kModeCount, bytes);
  tStatus waited(tStatus::kFullSize);
  event_.wait(timeoutMs, waited);
  if (waited.getCode() == nVLAPALS100::kStatusTimeout) {
    last = bytesTransferred();
    if (last < bytes) *timedOut = 1;
    waited.clear();
  } else {
    IsrLockOutsideHold hold(isrLock());
    last = last_;
  }
  status.merge(waited);
  if (*timedOut != 0 && (readChannelStatus() & kHostMemoryError) != 0) {
    VL_FPGA_FAULT(status, kStatusHardwareFault, "HardwareFault", "The FIFO reported an error accessing host memory");
  }
  takeError(status);
  arm(kModeNone, 0);
  return last;
}

}  // namespace vllym
