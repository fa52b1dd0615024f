// The layout and wait algorithm shared by events and semaphores: a count
// (or signaled value) and a FIFO of waiting threads, both guarded by an
// interrupt-level spin lock so that interrupt handlers may signal.
#ifndef VL9738K_PLATFORM_TWAITQUEUE_H
#define VL9738K_PLATFORM_TWAITQUEUE_H

#include <stdint.h>

#include "../status/tStatus.h"
#include "../zuk/ZukTypes.h"
#include "tSpinLock.h"

namespace nVLAPAL000 {

inline constexpr uint32_t kWaitForever = 0xFFFFFFFFu;

class tWaitQueue {
 public:
  tWaitQueue(const tWaitQueue&) = delete;
  tWaitQueue& operator=(const tWaitQueue&) = delete;

  // Waits at most `timeoutMs` (0: do not wait, kWaitForever: no bound) for
  // a signal. Returns true when one was consumed or handed over.
  bool wait(uint32_t timeoutMs, bool interruptible, nVLAPALS100::tStatus& status);
  bool isValid() const { return lock_.isValid(); }
  uint32_t getCount() const { return count_; }

 protected:
  tWaitQueue(bool autoReset, uint32_t initialCount, nVLAPALS100::tStatus& status);
  ~tWaitQueue() = default;

  struct tWaiter {
    tWaiter* next;
    tWaiter* previous;
    bool queued;
    tWaitQueue* queue;
    nVLZUK_tSingleUseEvent event;
    nVLAPALS100::tStatus status;
  };

  // Callers hold the spin lock for all of these.
  void lock() { lock_.acquireInterrupt(); }
  void unlock() { lock_.releaseInterrupt(); }
  bool wakeFirst();
  void wakeAll();

  bool autoReset_;
  uint32_t count_;

 private:
  void consume();
  void append(tWaiter& waiter);
  void unlink(tWaiter& waiter);
  static void onExpiry(void* context);

  tSpinLock lock_;
  tWaiter* head_;
  tWaiter* tail_;
};

// An event: set wakes one waiter (auto-reset) or all of them (manual);
// with no waiter an auto-reset event stays signaled for the next wait.
class tEvent : public tWaitQueue {
 public:
  tEvent(bool autoReset, bool signaled, nVLAPALS100::tStatus& status);
  void set();
};

void signalStateEvent(tEvent& event);

class tSemaphore : public tWaitQueue {
 public:
  tSemaphore(uint32_t initialCount, nVLAPALS100::tStatus& status);
  void signal();
  void waitForever();
  // Not offered by this platform: always records "not supported".
  void reset(nVLAPALS100::tStatus& status);
};

}  // namespace nVLAPAL000

#endif
