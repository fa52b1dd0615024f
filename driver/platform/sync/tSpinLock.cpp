#include "tSpinLock.h"

#include "../zuk/ZukSync.h"

namespace nVLAPAL000 {

tSpinLock::tSpinLock(nVLAPALS100::tStatus& status, const char* failureFile, uint64_t failureLine)
    : handle_(0), savedState_(0) {
  create(status, failureFile, failureLine);
}

tSpinLock::~tSpinLock() { destroy(); }

void tSpinLock::create(nVLAPALS100::tStatus& status, const char* failureFile, uint64_t failureLine) {
  if (status.isFatal() || handle_ != 0) return;
  handle_ = nVLZUK100_createSpinLock();
  if (handle_ == 0) status.setCode(nVLAPALS100::kStatusOutOfMemory, VL_SITE_AT(failureFile, failureLine));
}

void tSpinLock::destroy() {
  if (handle_ != 0) nVLZUK100_destroySpinLock(handle_);
  handle_ = 0;
  savedState_ = 0;
}

void tSpinLock::acquireInterrupt() { savedState_ = nVLZUK110_acquireSpinLockInterrupt(handle_); }

void tSpinLock::releaseInterrupt() { nVLZUK110_releaseSpinLockInterrupt(handle_, savedState_); }

void tSpinLock::acquireDPC() { nVLZUK100_acquireSpinLockDPC(handle_); }

void tSpinLock::releaseDPC() { nVLZUK100_releaseSpinLockDPC(handle_); }

}  // namespace nVLAPAL000
