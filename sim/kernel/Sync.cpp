#include "Sync.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>

#include "../../driver/platform/zuk/ZukSync.h"
#include "Clock.h"

namespace sim {
namespace {

struct ThreadRecord {
  std::atomic<bool> interruptPending{false};
};

thread_local ThreadRecord tThread;
thread_local int tInterruptLockDepth = 0;

struct SpinLock {
  std::mutex mutex;
};

struct KernelMutex {
  std::mutex mutex;
};

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
  reinterpret_cast<sim::SpinLock*>(lock)->mutex.lock();
  return static_cast<uint64_t>(sim::tInterruptLockDepth++);
}

void nVLZUK110_releaseSpinLockInterrupt(uint64_t lock, uint64_t savedState) {
  reinterpret_cast<sim::SpinLock*>(lock)->mutex.unlock();
  sim::tInterruptLockDepth = static_cast<int>(savedState);
  if (sim::tInterruptLockDepth == 0) {
    if (sim::Sync::Hook hook = sim::gInterruptsEnabledHook.load()) hook();
  }
}

void nVLZUK100_acquireSpinLockDPC(uint64_t lock) { reinterpret_cast<sim::SpinLock*>(lock)->mutex.lock(); }

void nVLZUK100_releaseSpinLockDPC(uint64_t lock) { reinterpret_cast<sim::SpinLock*>(lock)->mutex.unlock(); }

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
  reinterpret_cast<sim::KernelMutex*>(mutex)->mutex.lock();
}

void nVLZUK150_releaseMutex(uint64_t mutex) { reinterpret_cast<sim::KernelMutex*>(mutex)->mutex.unlock(); }

uint64_t nVLZUK100_getThreadHandle(void) { return sim::Sync::currentThreadHandle(); }

void nVLZUK100_initializeSingleUseEvent(nVLZUK_tSingleUseEvent* event) {
  std::lock_guard<std::mutex> guard(sim::gEventMutex);
  *event = nVLZUK_tSingleUseEvent{};
}

void nVLZUK100_releaseSingleUseEvent(nVLZUK_tSingleUseEvent* event) {
  std::lock_guard<std::mutex> guard(sim::gEventMutex);
  event->released = 1;
  sim::gEventCondition.notify_all();
}

void nVLZUK100_waitForSingleUseEvent(nVLZUK_tSingleUseEvent* event) {
  std::unique_lock<std::mutex> lock(sim::gEventMutex);
  sim::waitUntilReleased(lock, event);
}

int32_t nVLZUK100_waitForSingleUseEventInterruptible(nVLZUK_tSingleUseEvent* event) {
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
