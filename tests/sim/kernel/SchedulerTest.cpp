// The kernel layer's deterministic mode, driven through the kernel-layer
// calls a driver makes: one seed gives one interleaving and one trace,
// waits end on virtual time, and a lock cycle is reported as a deadlock.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "driver/platform/zuk/ZukSync.h"
#include "driver/platform/zuk/ZukTime.h"
#include "sim/kernel/Kernel.h"

namespace {

using sim::Scheduler;

struct Interleaving {
  std::vector<int> order;
  uint64_t hash = 0;
};

// Three tasks take one kernel mutex in turns and log who held it.
Interleaving interleave(uint64_t seed) {
  sim::resetKernel();
  Scheduler::enable(seed);
  const uint64_t mutex = nVLZUK150_createMutex();
  Interleaving result;
  for (int task = 0; task < 3; ++task) {
    Scheduler::spawn("worker", [&result, mutex, task] {
      for (int i = 0; i < 4; ++i) {
        nVLZUK150_acquireMutex(mutex);
        result.order.push_back(task);
        nVLZUK250_sleepTimeout(10);
        nVLZUK150_releaseMutex(mutex);
      }
    });
  }
  EXPECT_FALSE(Scheduler::runUntilAllDone().deadlocked);
  result.hash = Scheduler::traceHash();
  Scheduler::disable();
  nVLZUK150_destroyMutex(mutex);
  return result;
}

TEST(SchedulerThreads, OneSeedReplaysItsInterleavingAndOtherSeedsVaryIt) {
  std::set<std::vector<int>> orders;
  for (uint64_t seed = 1; seed <= 8; ++seed) {
    const Interleaving first = interleave(seed);
    const Interleaving again = interleave(seed);
    EXPECT_EQ(first.order, again.order) << seed;
    EXPECT_EQ(first.hash, again.hash) << seed;
    EXPECT_EQ(first.order.size(), 12u);
    orders.insert(first.order);
  }
  EXPECT_GT(orders.size(), 2u);
}

TEST(SchedulerThreads, WaitsEndOnVirtualTimeAtTheEarliestDeadline) {
  Scheduler::enable(3);
  nVLZUK_tSingleUseEvent released{}, never{};
  for (nVLZUK_tSingleUseEvent* event : {&released, &never}) nVLZUK100_initializeSingleUseEvent(event);
  const uint64_t start = nVLZUK1_getMonotonicCounter();
  uint64_t wokenAt = 0, expiredAt = 0;
  bool expiryRan = false;
  Scheduler::spawn("waiter", [&] {
    EXPECT_EQ(nVLZUK100_waitForSingleUseEventTimeout(&released, 500, nullptr, 0), 0);
    wokenAt = nVLZUK1_getMonotonicCounter();
  });
  Scheduler::spawn("releaser", [&] {
    nVLZUK250_sleepTimeout(100'000);
    nVLZUK100_releaseSingleUseEvent(&released);
  });
  Scheduler::spawn("expiring", [&] {
    nVLZUK_tExpiryRecord expiry{};
    expiry.routine = [](void* ran) { *static_cast<bool*>(ran) = true; };
    expiry.context = &expiryRan;
    nVLZUK100_waitForSingleUseEventTimeout(&never, 700, &expiry, 0);
    expiredAt = nVLZUK1_getMonotonicCounter();
  });
  Scheduler::spawn("late releaser", [&] {
    nVLZUK250_sleepTimeout(900'000);
    nVLZUK100_releaseSingleUseEvent(&never);
  });
  EXPECT_FALSE(Scheduler::runUntilAllDone().deadlocked);
  EXPECT_EQ(wokenAt - start, 100'000'000u);
  EXPECT_TRUE(expiryRan);
  EXPECT_EQ(expiredAt - start, 900'000'000u);
}

TEST(SchedulerThreads, ABusyWaitOnTheClockSwitchesOncePerClockStep) {
  Scheduler::enable(5);
  Scheduler::spawn("spinner", [] {
    const uint64_t end = nVLZUK1_getMonotonicCounter() + 1'000'000;
    while (nVLZUK1_getMonotonicCounter() < end) {
    }
  });
  const uint64_t before = Scheduler::traceCalls();
  EXPECT_FALSE(Scheduler::runUntilAllDone().deadlocked);
  // One millisecond of 1-microsecond spin steps, one switch point each.
  const uint64_t calls = Scheduler::traceCalls() - before;
  EXPECT_GE(calls, 1000u);
  EXPECT_LE(calls, 1010u);
}

TEST(SchedulerThreads, ALockCycleIsReportedAsADeadlockNamingTheWaiters) {
  Scheduler::enable(9);
  const uint64_t a = nVLZUK150_createMutex();
  const uint64_t b = nVLZUK150_createMutex();
  auto crossing = [](uint64_t first, uint64_t second) {
    return [first, second] {
      nVLZUK150_acquireMutex(first);
      nVLZUK250_sleepTimeout(1000);
      nVLZUK150_acquireMutex(second);
    };
  };
  Scheduler::spawn("ab", crossing(a, b));
  Scheduler::spawn("ba", crossing(b, a));
  const Scheduler::RunResult result = Scheduler::runUntilAllDone();
  EXPECT_TRUE(result.deadlocked);
  EXPECT_EQ(result.waiting, (std::vector<std::string>{"ab: mutex lock", "ba: mutex lock"}));
  // The next test's fresh kernel gives the two tasks up.
}

}  // namespace
