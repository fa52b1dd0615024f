// The lock that keeps code outside the interrupt routine and the routine
// itself apart: a mutex among outside holders, then the reserved
// interrupt's own spin lock at interrupt level, which the kernel layer
// holds while it runs the routine. While no interrupt is reserved the
// outside form takes only the mutex (no routine can run). The mutex also
// guards the spin-lock pointer against a concurrent connect or disconnect.
#ifndef VL9738K_FPGA_INTERRUPT_ISRLOCKPRIMARY_H
#define VL9738K_FPGA_INTERRUPT_ISRLOCKPRIMARY_H

#include <stdint.h>

#include "driver/platform/status/tStatus.h"
#include "driver/platform/sync/tSpinLock.h"

namespace vllym {

class IsrLockPrimary {
 public:
  // Mutex creation failure: -52000.
  explicit IsrLockPrimary(nVLAPALS100::tStatus& status);
  virtual ~IsrLockPrimary();
  IsrLockPrimary(const IsrLockPrimary&) = delete;
  IsrLockPrimary& operator=(const IsrLockPrimary&) = delete;

  // Inside the routine: the spin lock only; without a reservation the
  // system halts.
  virtual void acquireInsideIsr();
  virtual void releaseInsideIsr();
  // Outside: mutex, then the spin lock with interrupts off; released mutex
  // first, then the spin lock.
  virtual void acquireOutsideIsr();
  virtual void releaseOutsideIsr();

  // The connector's side: the reservation changes only under the mutex.
  void lockReservation();
  void setReservationLocked(nVLAPAL000::tSpinLock* reservation) { isrLock_ = reservation; }
  void unlockReservation();
  nVLAPAL000::tSpinLock* getReservation() const { return isrLock_; }
  bool isValid() const { return mutex_ != 0; }

 private:
  nVLAPAL000::tSpinLock* isrLock_;
  uint64_t mutex_;
  // The spin lock the present outside holder took (the reservation may
  // only change under the mutex, which that holder has).
  nVLAPAL000::tSpinLock* heldOutside_;
};

// Scoped outside hold; a null lock holds nothing.
class IsrLockOutsideHold {
 public:
  explicit IsrLockOutsideHold(IsrLockPrimary* lock) : lock_(lock) {
    if (lock_ != nullptr) lock_->acquireOutsideIsr();
  }
  ~IsrLockOutsideHold() {
    if (lock_ != nullptr) lock_->releaseOutsideIsr();
  }
  IsrLockOutsideHold(const IsrLockOutsideHold&) = delete;
  IsrLockOutsideHold& operator=(const IsrLockOutsideHold&) = delete;

 private:
  IsrLockPrimary* lock_;
};

}  // namespace vllym

#endif
