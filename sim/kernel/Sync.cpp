#include "Sync.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>

#include "../../driver/platform/zuk/ZukSync.h"
#include "Clock.h"
#include "Scheduler.h"

namespace sim {
namespace {

struct ThreadRecord {
  std::atomic<bool> interruptPending{false};
};

thread_local ThreadRecord tThread;
thread_local int tInterruptLockDepth = 0;

// In the deterministic mode only one task runs at a time, so a lock is its
// `held` flag and a task that finds it set waits in the scheduler.
struct SpinLock {
  std::mutex mutex;
  bool held = false;
};

struct KernelMutex {
  std::mutex mutex;
  bool held = false;
};

using Call = Scheduler::Call;

void scheduledAcquire(bool& held, Call call) {
  Scheduler::point(call);
  if (held) Scheduler::blockUntil(call, [&held] { return !held; });
  held = true;
}

void scheduledRelease(bool& held, Call call) {
  held = false;
  Scheduler::point(call);
}

std::atomic<uint64_t> gMutexAcquisitions{0};

// All single-use events share one host mutex and condition: events are
// short-lived stack records that the kernel layer may not keep anything
// for, and waking every waiter to re-check its own flag is cheap here.
std::mutex gEventMutex;
std::condition_variable gEventCondition;
int gWaiting = 0;
std::atomic<Sync::Hook> gInterruptsEnabledHook{nullptr};

constexpr auto kStuckWaitReport = std::chrono::seconds(30);

void waitUntilReleased(std::unique_lock<std::mutex>& lock, const nVLZUK_tSingleUseEvent* event) {
  ++gWaiting;
  bool reported = false;
  while (event->released == 0) {
    if (gEventCondition.wait_for(lock, kStuckWaitReport) == std::cv_status::timeout && !reported &&
        event->released == 0) {
      std::fprintf(stderr, "sim: a thread has waited %lld s for an event nobody releases\n",
                   static_cast<long long>(kStuckWaitReport.count()));
      reported = true;
    }
  }
  --gWaiting;
}

bool takeInterrupt() { return tThread.interruptPending.exchange(false); }

// A task's wait for an event in the deterministic mode, until the event is
// released, the task is interrupted (when `interruptible`) or the clock
// reaches `deadlineNs` (0: never), whose expiry runs before the wait goes
// on for the release. 1 when interrupted.
int32_t scheduledWait(const nVLZUK_tSingleUseEvent* event, uint64_t deadlineNs, nVLZUK_tExpiryRecord* expiry,
                      bool interruptible) {
  if (event->released != 0) {
    Scheduler::point(Call::kEventWait);
    return 0;
  }
  if (interruptible && takeInterrupt()) return 1;
  ThreadRecord* self = &tThread;
  const bool woken = Scheduler::blockUntil(
      deadlineNs != 0 ? Call::kTimedWait : Call::kEventWait,
      [event, self, interruptible] { return event->released != 0 || (interruptible && self->interruptPending.load()); },
      deadlineNs);
  if (woken) return event->released != 0 ? 0 : (takeInterrupt() ? 1 : 0);
  if (expiry != nullptr && expiry->routine != nullptr) expiry->routine(expiry->context);
  Scheduler::blockUntil(Call::kEventWait, [event] { return event->released != 0; });
  return 0;
}

}  // namespace

FaultSite& Sync::spinLockCreationFaults() {
  static FaultSite site("nVLZUK100_createSpinLock");
  return site;
}

FaultSite& Sync::mutexCreationFaults() {
  static FaultSite site("nVLZUK150_createMutex");
  return site;
}

uint64_t Sync::currentThreadHandle() { return reinterpret_cast<uint64_t>(&tThread); }

void Sync::interruptThread(uint64_t threadHandle) {
  std::lock_guard<std::mutex> guard(gEventMutex);
  reinterpret_cast<ThreadRecord*>(threadHandle)->interruptPending = true;
  gEventCondition.notify_all();
}

void Sync::interruptNextWait() { tThread.interruptPending = true; }

int Sync::interruptLockDepth() { return tInterruptLockDepth; }

void Sync::setInterruptsEnabledHook(Hook hook) { gInterruptsEnabledHook = hook; }

uint64_t Sync::mutexAcquisitions() { return gMutexAcquisitions.load(); }

int Sync::waitingThreads() {
  std::lock_guard<std::mutex> guard(gEventMutex);
  return gWaiting;
}

void Sync::reset() {
  spinLockCreationFaults().clear();
  mutexCreationFaults().clear();
  gMutexAcquisitions = 0;
  tThread.interruptPending = false;
}

}  // namespace sim

extern "C" {

uint64_t nVLZUK100_createSpinLock(void) {
  if (sim::Sync::spinLockCreationFaults().hit()) return 0;
  sim::SimScope scope;
  return reinterpret_cast<uint64_t>(new sim::SpinLock);
}

void nVLZUK100_destroySpinLock(uint64_t lock) {
  sim::SimScope scope;
  delete reinterpret_cast<sim::SpinLock*>(lock);
}

uint64_t nVLZUK110_acquireSpinLockInterrupt(uint64_t lock) {
  auto* spinLock = reinterpret_cast<sim::SpinLock*>(lock);
  if (sim::Scheduler::active()) {
    sim::scheduledAcquire(spinLock->held, sim::Call::kSpinLock);
  } else {
    spinLock->mutex.lock();
  }
  return static_cast<uint64_t>(sim::tInterruptLockDepth++);
}

void nVLZUK110_releaseSpinLockInterrupt(uint64_t lock, uint64_t savedState) {
  auto* spinLock = reinterpret_cast<sim::SpinLock*>(lock);
  if (sim::Scheduler::active()) {
    sim::scheduledRelease(spinLock->held, sim::Call::kSpinUnlock);
  } else {
    spinLock->mutex.unlock();
  }
  sim::tInterruptLockDepth = static_cast<int>(savedState);
  if (sim::tInterruptLockDepth == 0) {
    if (sim::Sync::Hook hook = sim::gInterruptsEnabledHook.load()) hook();
  }
}

void nVLZUK100_acquireSpinLockDPC(uint64_t lock) {
  auto* spinLock = reinterpret_cast<sim::SpinLock*>(lock);
  if (sim::Scheduler::active()) {
    sim::scheduledAcquire(spinLock->held, sim::Call::kSpinLock);
  } else {
    spinLock->mutex.lock();
  }
}

void nVLZUK100_releaseSpinLockDPC(uint64_t lock) {
  auto* spinLock = reinterpret_cast<sim::SpinLock*>(lock);
  if (sim::Scheduler::active()) {
    sim::scheduledRelease(spinLock->held, sim::Call::kSpinUnlock);
  } else {
    spinLock->mutex.unlock();
  }
}

uint64_t nVLZUK150_createMutex(void) {
  if (sim::Sync::mutexCreationFaults().hit()) return 0;
  sim::SimScope scope;
  return reinterpret_cast<uint64_t>(new sim::KernelMutex);
}

void nVLZUK150_destroyMutex(uint64_t mutex) {
  sim::SimScope scope;
  delete reinterpret_cast<sim::KernelMutex*>(mutex);
}

void nVLZUK150_acquireMutex(uint64_t mutex) {
  sim::gMutexAcquisitions.fetch_add(1, std::memory_order_relaxed);
  auto* kernelMutex = reinterpret_cast<sim::KernelMutex*>(mutex);
  if (sim::Scheduler::active()) {
    sim::scheduledAcquire(kernelMutex->held, sim::Call::kMutexLock);
  } else {
    kernelMutex->mutex.lock();
  }
}

void nVLZUK150_releaseMutex(uint64_t mutex) {
  auto* kernelMutex = reinterpret_cast<sim::KernelMutex*>(mutex);
  if (sim::Scheduler::active()) {
    sim::scheduledRelease(kernelMutex->held, sim::Call::kMutexUnlock);
  } else {
    kernelMutex->mutex.unlock();
  }
}

uint64_t nVLZUK100_getThreadHandle(void) { return sim::Sync::currentThreadHandle(); }

void nVLZUK100_initializeSingleUseEvent(nVLZUK_tSingleUseEvent* event) {
  std::lock_guard<std::mutex> guard(sim::gEventMutex);
  *event = nVLZUK_tSingleUseEvent{};
}

void nVLZUK100_releaseSingleUseEvent(nVLZUK_tSingleUseEvent* event) {
  {
    std::lock_guard<std::mutex> guard(sim::gEventMutex);
    event->released = 1;
    sim::gEventCondition.notify_all();
  }
  sim::Scheduler::point(sim::Call::kEventRelease);
}

void nVLZUK100_waitForSingleUseEvent(nVLZUK_tSingleUseEvent* event) {
  if (sim::Scheduler::active()) {
    sim::Scheduler::blockUntil(sim::Call::kEventWait, [event] { return event->released != 0; });
    return;
  }
  std::unique_lock<std::mutex> lock(sim::gEventMutex);
  sim::waitUntilReleased(lock, event);
}

int32_t nVLZUK100_waitForSingleUseEventInterruptible(nVLZUK_tSingleUseEvent* event) {
  if (sim::Scheduler::active()) return sim::scheduledWait(event, 0, nullptr, true);
  std::unique_lock<std::mutex> lock(sim::gEventMutex);
  ++sim::gWaiting;
  int32_t interrupted = 0;
  while (event->released == 0) {
    if (sim::takeInterrupt()) {
      interrupted = 1;
      break;
    }
    sim::gEventCondition.wait(lock);
  }
  --sim::gWaiting;
  return interrupted;
}

// Virtual time cannot pass while a lone thread waits, so in virtual mode a
// wait that finds its event unreleased expires at once and moves the clock
// to its deadline; real mode waits on the host clock.
int32_t nVLZUK100_waitForSingleUseEventTimeout(nVLZUK_tSingleUseEvent* event, uint32_t timeoutMs,
                                               nVLZUK_tExpiryRecord* expiry, int32_t interruptible) {
  if (sim::Scheduler::active() && sim::Clock::instance().isVirtual()) {
    const uint64_t timeoutNs = static_cast<uint64_t>(timeoutMs) * 1'000'000;
    return sim::scheduledWait(event, sim::Clock::instance().nowNs() + timeoutNs, expiry, interruptible != 0);
  }
  std::unique_lock<std::mutex> lock(sim::gEventMutex);
  if (event->released != 0) return 0;
  if (interruptible != 0 && sim::takeInterrupt()) return 1;
  sim::Clock& clock = sim::Clock::instance();
  bool expired = false;
  if (clock.isVirtual()) {
    clock.advanceNs(static_cast<uint64_t>(timeoutMs) * 1'000'000);
    expired = true;
  } else {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    ++sim::gWaiting;
    while (event->released == 0) {
      if (interruptible != 0 && sim::takeInterrupt()) {
        --sim::gWaiting;
        return 1;
      }
      if (sim::gEventCondition.wait_until(lock, deadline) == std::cv_status::timeout) {
        expired = event->released == 0;
        break;
      }
    }
    --sim::gWaiting;
  }
  if (expired) {
    lock.unlock();
    if (expiry != nullptr && expiry->routine != nullptr) expiry->routine(expiry->context);
    lock.lock();
    sim::waitUntilReleased(lock, event);
  }
  return 0;
}

}  // extern "C"
