// An event that stays set until it is reset: setting it wakes every
// queued waiter, and a wait on a set event returns at once without
// consuming it. Its spin lock guards only the event's own fields.
#ifndef VL9738K_FPGA_MANUALRESETEVENT_H
#define VL9738K_FPGA_MANUALRESETEVENT_H

#include <stdint.h>

#include "driver/platform/sync/tWaitQueue.h"

namespace vllym {

class ManualResetEvent : public nVLAPAL000::tWaitQueue {
 public:
  // Spin-lock creation failure: -52000.
  ManualResetEvent(bool set, nVLAPALS100::tStatus& status) : tWaitQueue(false, set ? 1 : 0, status) {}
  ~ManualResetEvent() = default;

  void set() {
    lock();
    if (count_ == 0) {
      count_ = 1;
      wakeAll();
    }
    unlock();
  }
  void reset() {
    lock();
    count_ = 0;
    unlock();
  }
  bool isSet() const { return __atomic_load_n(&count_, __ATOMIC_SEQ_CST) != 0; }
  // Unbounded and not interruptible: it cannot fail.
  void waitForever() {
    nVLAPALS100::tStatus ignored;
    wait(nVLAPAL000::kWaitForever, false, ignored);
  }
};

}  // namespace vllym

#endif
