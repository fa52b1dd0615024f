#include "IsrLockPrimary.h"

#include <stddef.h>

#include "driver/platform/debug/Vlsdbg.h"
#include "driver/platform/zuk/ZukSync.h"

namespace vllym {

IsrLockPrimary::IsrLockPrimary(nVLAPALS100::tStatus& status) : isrLock_(nullptr), mutex_(0), heldOutside_(nullptr) {
  if (status.isFatal()) return;
  mutex_ = nVLZUK150_createMutex();
  if (mutex_ == 0) status.setCode(nVLAPALS100::kStatusOutOfMemory, VL_SITE);
}

IsrLockPrimary::~IsrLockPrimary() {
  if (mutex_ != 0) nVLZUK150_destroyMutex(mutex_);
}

void IsrLockPrimary::acquireInsideIsr() {
  nVLAPAL000::tSpinLock* isrLock = isrLock_;
  VLSDBG_ASSERT(isrLock != NULL, " Acquiring NULL ISR lock");
  isrLock->acquireInterrupt();
}

void IsrLockPrimary::releaseInsideIsr() {
  nVLAPAL000::tSpinLock* isrLock = isrLock_;
  VLSDBG_ASSERT(isrLock != NULL, " Releasing NULL ISR lock");
  isrLock->releaseInterrupt();
}

void IsrLockPrimary::acquireOutsideIsr() {
  if (mutex_ != 0) nVLZUK150_acquireMutex(mutex_);
  heldOutside_ = isrLock_;
  if (heldOutside_ != nullptr) heldOutside_->acquireInterrupt();
}

void IsrLockPrimary::releaseOutsideIsr() {
  nVLAPAL000::tSpinLock* held = heldOutside_;
  heldOutside_ = nullptr;
  if (mutex_ != 0) nVLZUK150_releaseMutex(mutex_);
  if (held != nullptr) held->releaseInterrupt();
}

void IsrLockPrimary::lockReservation() {
  if (mutex_ != 0) nVLZUK150_acquireMutex(mutex_);
}

void IsrLockPrimary::unlockReservation() {
  if (mutex_ != 0) nVLZUK150_releaseMutex(mutex_);
}

}  // namespace vllym
