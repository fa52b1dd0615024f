// Thin owners of kernel-layer spin locks. The interrupt-level lock keeps
// the saved interrupt state while it is held, so acquire and release pair
// up in one object.
#ifndef VL9738K_PLATFORM_TSPINLOCK_H
#define VL9738K_PLATFORM_TSPINLOCK_H

#include <stdint.h>

#include "../status/tStatus.h"

namespace nVLAPAL000 {

class tSpinLock {
 public:
  // `failureFile`/`failureLine` name the published site of a creation failure.
  tSpinLock(nVLAPALS100::tStatus& status, const char* failureFile, uint64_t failureLine);
  // A lock made later with create (an owner that needs it only for a while).
  tSpinLock() : handle_(0), savedState_(0) {}
  ~tSpinLock();
  tSpinLock(const tSpinLock&) = delete;
  tSpinLock& operator=(const tSpinLock&) = delete;

  // Makes the kernel-layer lock when there is none.
  void create(nVLAPALS100::tStatus& status, const char* failureFile, uint64_t failureLine);
  void destroy();

  bool isValid() const { return handle_ != 0; }
  uint64_t getHandle() const { return handle_; }

  void acquireInterrupt();
  void releaseInterrupt();
  void acquireDPC();
  void releaseDPC();

 private:
  uint64_t handle_;
  uint64_t savedState_;
};

// Scoped interrupt-level hold of a tSpinLock.
class tInterruptLockHold {
 public:
  explicit tInterruptLockHold(tSpinLock& lock) : lock_(lock) { lock_.acquireInterrupt(); }
  ~tInterruptLockHold() { lock_.releaseInterrupt(); }
  tInterruptLockHold(const tInterruptLockHold&) = delete;
  tInterruptLockHold& operator=(const tInterruptLockHold&) = delete;

 private:
  tSpinLock& lock_;
};

}  // namespace nVLAPAL000

#endif
