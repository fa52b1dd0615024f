// The waiter event of IRQ nodes and DMA channels: auto-reset, a count of 0
// or 1 and a first-come-first-served queue of sleeping threads, guarded by
// its own interrupt-level spin lock so that the interrupt routine may
// signal it. A signal wakes the first queued waiter, or, with none queued,
// leaves the count at 1 for the next wait.
#ifndef VL9738K_FPGA_AUTORESETEVENT_H
#define VL9738K_FPGA_AUTORESETEVENT_H

#include <stdint.h>

#include "driver/platform/sync/tWaitQueue.h"

namespace vllym {

class AutoResetEvent : public nVLAPAL000::tWaitQueue {
 public:
  // Spin-lock creation failure: -52000.
  explicit AutoResetEvent(nVLAPALS100::tStatus& status) : tWaitQueue(true, 0, status) {}
  ~AutoResetEvent() = default;

  void signal() {
    lock();
    if (count_ == 0 && !wakeFirst()) count_ = 1;
    unlock();
  }

  // Forgets a signal nobody consumed.
  void reset() {
    lock();
    count_ = 0;
    unlock();
  }

  // 0 fails at once with -52007 unless signalled; kWaitForever has no bound;
  // an expired bound ends with -52007.
  void wait(uint32_t timeoutMs, nVLAPALS100::tStatus& status) { tWaitQueue::wait(timeoutMs, false, status); }
};

}  // namespace vllym

#endif
