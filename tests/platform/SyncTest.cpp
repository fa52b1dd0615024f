#include <gtest/gtest.h>

#include <mutex>
#include <thread>
#include <vector>

#include "driver/platform/status/SourceSites.h"
#include "driver/platform/sync/tMutex.h"
#include "driver/platform/sync/tWaitQueue.h"
#include "sim/kernel/Kernel.h"
#include "tests/support/StatusChecks.h"

namespace {

using nVLAPAL000::kWaitForever;
using nVLAPAL000::tEvent;
using nVLAPAL000::tMutex;
using nVLAPAL000::tSemaphore;
using nVLAPALS100::tStatus;
using vltest::Site;
using vltest::siteOf;
using vltest::statusAfter;

constexpr const char* kSyncSite = nVLAPAL000::sites::kSynchronization;

TEST(RecursiveMutex, OwnerReleasesOnlyAtTheOutermostRelease) {
  tStatus status;
  tMutex mutex(status);
  ASSERT_EQ(status.getCode(), 0);
  mutex.acquire();
  mutex.acquire();
  mutex.acquire();
  EXPECT_EQ(mutex.getDepth(), 3u);
  mutex.release();
  mutex.release();
  EXPECT_TRUE(mutex.isHeldByCaller());
  mutex.release();
  EXPECT_FALSE(mutex.isHeldByCaller());
  EXPECT_EQ(mutex.getDepth(), 0u);
}

TEST(Event, SignalsWithoutWaitersLatchOnceUnlessTheEventIsManualReset) {
  tStatus status;
  tEvent event(true, false, status);
  event.set();
  event.set();
  EXPECT_EQ(event.getCount(), 1u);
  EXPECT_TRUE(event.wait(0, false, status));
  EXPECT_EQ(siteOf(statusAfter([&](tStatus& s) { EXPECT_FALSE(event.wait(0, false, s)); })),
            (Site{-52007, kSyncSite, 2074}));
  tEvent manual(false, false, status);  // a manual-reset event stays signaled
  manual.set();
  EXPECT_TRUE(manual.wait(0, false, status));
  EXPECT_TRUE(manual.wait(0, false, status));
}

TEST(Event, BoundedWaitExpiresThroughItsExpiryRoutine) {
  tStatus status;
  tEvent event(true, false, status);
  const uint64_t before = sim::Clock::instance().nowNs();
  EXPECT_EQ(siteOf(statusAfter([&](tStatus& s) { EXPECT_FALSE(event.wait(250, false, s)); })),
            (Site{-52007, kSyncSite, 186}));
  EXPECT_GE(sim::Clock::instance().nowNs() - before, 250'000'000u) << "the wait spent its whole bound";
  tStatus again;
  event.set();
  EXPECT_TRUE(event.wait(250, false, again)) << "an expired waiter no longer sits in the queue";
}

TEST(Event, InterruptedWaitsFailWithInterrupted) {
  tStatus status;
  tEvent event(true, false, status);
  for (const auto& [timeoutMs, line] : {std::pair<uint32_t, uint64_t>{kWaitForever, 2107}, {1000, 2170}}) {
    sim::Sync::interruptNextWait();
    EXPECT_EQ(siteOf(statusAfter([&](tStatus& s) { EXPECT_FALSE(event.wait(timeoutMs, true, s)); })),
              (Site{-52025, kSyncSite, line}));
  }
}

TEST(Event, WaitOnAnErrorStatusDoesNothing) {
  tStatus status;
  tEvent event(true, true, status);
  status.setCode(-52005, VL_SITE);
  EXPECT_FALSE(event.wait(0, false, status));
  EXPECT_EQ(event.getCount(), 1u);
}

// Each primitive reports a kernel object it could not get.
TEST(SyncPrimitives, RefusedKernelObjectsAreOutOfMemory) {
  sim::Sync::mutexCreationFaults().failNth(1, 0);
  tStatus refusedMutex;
  tMutex mutex(refusedMutex);
  EXPECT_EQ(refusedMutex.getCode(), -52000);
  EXPECT_FALSE(mutex.isValid());
  sim::Sync::spinLockCreationFaults().failNth(1, 0);
  tStatus refusedLock(tStatus::kFullSize);
  tEvent event(true, false, refusedLock);
  EXPECT_EQ(siteOf(refusedLock), (Site{-52000, kSyncSite, 1919}));
  EXPECT_FALSE(event.isValid());
}

TEST(Semaphore, SignalWhileCountedAddsOneAndResetIsNotOffered) {
  tStatus status;
  tSemaphore semaphore(2, status);
  semaphore.signal();
  EXPECT_EQ(semaphore.getCount(), 3u);
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(semaphore.wait(0, false, status));
  EXPECT_FALSE(semaphore.wait(0, false, status));
  // An operation it does not offer.
  EXPECT_EQ(siteOf(statusAfter([&](tStatus& s) { semaphore.reset(s); })),
            (Site{-52002, nVLAPAL000::sites::kSemaphore, 255}));
}

class SyncThreads : public testing::Test {
 protected:
  tStatus status;
  void SetUp() override { sim::Clock::instance().setMode(sim::Clock::Mode::Real); }
  static void waitUntilWaiting(int count) {
    while (sim::Sync::waitingThreads() < count) std::this_thread::yield();
  }
};

TEST_F(SyncThreads, WaitersAreServedFirstInFirstOut) {
  tEvent event(true, false, status);
  std::vector<int> order;
  std::mutex orderMutex;
  std::vector<std::thread> threads;
  for (int i = 0; i < 3; ++i) {
    threads.emplace_back([&, i] {
      tStatus local;
      EXPECT_TRUE(event.wait(kWaitForever, false, local));
      std::lock_guard<std::mutex> guard(orderMutex);
      order.push_back(i);
    });
    waitUntilWaiting(i + 1);
  }
  for (int i = 0; i < 3; ++i) {
    event.set();
    while (true) {
      std::lock_guard<std::mutex> guard(orderMutex);
      if (order.size() == static_cast<size_t>(i + 1)) break;
    }
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(order, (std::vector<int>{0, 1, 2}));
}

TEST_F(SyncThreads, BoundedWaitIsWokenBeforeItsDeadline) {
  tSemaphore semaphore(0, status);
  tStatus waitStatus;
  bool woken = false;
  std::thread waiter([&] { woken = semaphore.wait(60'000, false, waitStatus); });
  waitUntilWaiting(1);
  semaphore.signal();
  waiter.join();
  EXPECT_TRUE(woken);
  EXPECT_EQ(waitStatus.getCode(), 0);
  EXPECT_EQ(semaphore.getCount(), 0u) << "a woken waiter takes the signal directly";
}

TEST_F(SyncThreads, MutexExcludesOtherThreads) {
  tMutex mutex(status);
  int counter = 0;
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < 2000; ++i) {
        nVLAPAL000::tAutoLock<tMutex> outer(mutex);
        nVLAPAL000::tAutoLock<tMutex> inner(mutex);
        ++counter;
      }
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(counter, 8000);
}

}  // namespace
