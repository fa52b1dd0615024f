#include "tWaitQueue.h"

#include "../status/SourceSites.h"
#include "../zuk/ZukSync.h"

namespace nVLAPAL000 {
namespace {

using nVLAPALS100::tStatus;

constexpr uint64_t kLockCreationLine = 1919;
constexpr uint64_t kNothingToConsumeLine = 2074;
constexpr uint64_t kExpiredLine = 186;
constexpr uint64_t kInterruptedLine = 2107;
constexpr uint64_t kInterruptedBoundedLine = 2170;
constexpr uint64_t kSemaphoreStubLine = 255;

}  // namespace

tWaitQueue::tWaitQueue(bool autoReset, uint32_t initialCount, tStatus& status)
    : autoReset_(autoReset),
      count_(initialCount),
      lock_(status, sites::kSynchronization, kLockCreationLine),
      head_(nullptr),
      tail_(nullptr) {}

void tWaitQueue::consume() {
  if (autoReset_) --count_;
}

void tWaitQueue::append(tWaiter& waiter) {
  waiter.next = nullptr;
  waiter.previous = tail_;
  if (tail_ != nullptr) {
    tail_->next = &waiter;
  } else {
    head_ = &waiter;
  }
  tail_ = &waiter;
  waiter.queued = true;
}

void tWaitQueue::unlink(tWaiter& waiter) {
  if (waiter.previous != nullptr) {
    waiter.previous->next = waiter.next;
  } else {
    head_ = waiter.next;
  }
  if (waiter.next != nullptr) {
    waiter.next->previous = waiter.previous;
  } else {
    tail_ = waiter.previous;
  }
  waiter.next = waiter.previous = nullptr;
  waiter.queued = false;
}

// The waiter's event is released while the lock is held: the waiter takes
// the lock once more before it returns, so its stack record outlives us.
bool tWaitQueue::wakeFirst() {
  tWaiter* waiter = head_;
  if (waiter == nullptr) return false;
  unlink(*waiter);
  nVLZUK100_releaseSingleUseEvent(&waiter->event);
  return true;
}

void tWaitQueue::wakeAll() {
  while (wakeFirst()) {
  }
}

void tWaitQueue::onExpiry(void* context) {
  auto* waiter = static_cast<tWaiter*>(context);
  tWaitQueue& queue = *waiter->queue;
  queue.lock();
  if (waiter->queued) {
    queue.unlink(*waiter);
    waiter->status.setCode(nVLAPALS100::kStatusTimeout, VL_SITE_AT(sites::kSynchronization, kExpiredLine));
    nVLZUK100_releaseSingleUseEvent(&waiter->event);
  }
  queue.unlock();
}

bool tWaitQueue::wait(uint32_t timeoutMs, bool interruptible, tStatus& status) {
  if (status.isFatal()) return false;
  lock();
  if (count_ != 0) {
    consume();
    unlock();
    return true;
  }
  if (timeoutMs == 0) {
    unlock();
    status.setCode(nVLAPALS100::kStatusTimeout, VL_SITE_AT(sites::kSynchronization, kNothingToConsumeLine));
    return false;
  }
  // A full record, so that the expiry or interruption site reaches a caller
  // that keeps sites.
  tWaiter waiter{nullptr, nullptr, false, this, {}, tStatus(tStatus::kFullSize)};
  nVLZUK100_initializeSingleUseEvent(&waiter.event);
  append(waiter);
  unlock();

  int32_t interrupted = 0;
  const bool bounded = timeoutMs != kWaitForever;
  if (bounded) {
    nVLZUK_tExpiryRecord expiry{&tWaitQueue::onExpiry, &waiter, {0, 0}};
    interrupted = nVLZUK100_waitForSingleUseEventTimeout(&waiter.event, timeoutMs, &expiry, interruptible ? 1 : 0);
  } else if (interruptible) {
    interrupted = nVLZUK100_waitForSingleUseEventInterruptible(&waiter.event);
  } else {
    nVLZUK100_waitForSingleUseEvent(&waiter.event);
  }

  if (interrupted != 0) {
    lock();
    // A waker that unlinked us first has handed its signal over: keep it.
    if (waiter.queued) {
      unlink(waiter);
      if (bounded) {
        waiter.status.setCode(nVLAPALS100::kStatusInterrupted,
                              VL_SITE_AT(sites::kSynchronization, kInterruptedBoundedLine));
      } else {
        status.setCode(nVLAPALS100::kStatusInterrupted, VL_SITE_AT(sites::kSynchronization, kInterruptedLine));
      }
    }
    unlock();
  }
  // Let a concurrent waker finish with our event before the record dies.
  lock();
  unlock();
  status.merge(waiter.status);
  return status.isNotFatal();
}

tEvent::tEvent(bool autoReset, bool signaled, tStatus& status) : tWaitQueue(autoReset, signaled ? 1 : 0, status) {}

void tEvent::set() {
  lock();
  if (count_ == 0) {
    if (autoReset_) {
      if (!wakeFirst()) count_ = 1;
    } else {
      count_ = 1;
      wakeAll();
    }
  }
  unlock();
}

void signalStateEvent(tEvent& event) { event.set(); }

tSemaphore::tSemaphore(uint32_t initialCount, tStatus& status) : tWaitQueue(true, initialCount, status) {}

void tSemaphore::signal() {
  lock();
  if (count_ != 0) {
    ++count_;
    wakeAll();
  } else if (!wakeFirst()) {
    count_ = 1;
  }
  unlock();
}

void tSemaphore::waitForever() {
  tStatus ignored;
  wait(kWaitForever, false, ignored);
}

void tSemaphore::reset(tStatus& status) {
  status.setCode(nVLAPALS100::kStatusNotSupported, VL_SITE_AT(sites::kSemaphore, kSemaphoreStubLine));
}

}  // namespace nVLAPAL000
