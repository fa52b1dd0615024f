// The FPGA state's reader/writer lock on real threads: the shared path
// takes no mutex, a writer drains the readers inside and holds new ones at
// the gate, and those enter together once it releases. Run under
// ThreadSanitizer, the mixed case also proves that writers exclude readers.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "driver/fpga/session/ReaderWriterLock.h"
#include "sim/kernel/Clock.h"
#include "sim/kernel/Sync.h"

namespace vltest {
namespace {

constexpr auto kPatience = std::chrono::seconds(20);

// Polls on the host clock: the lock's waits are real here.
template <typename tCondition>
bool eventually(tCondition condition) {
  const auto deadline = std::chrono::steady_clock::now() + kPatience;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

// A thread that holds the lock shared until it is let go.
class Reader {
 public:
  explicit Reader(vllym::ReaderWriterLock& lock)
      : thread_([this, &lock] {
          lock.acquireShared();
          inside = true;
          while (!letGo) std::this_thread::yield();
          inside = false;
          lock.releaseShared();
        }) {}
  ~Reader() { leave(); }
  void leave() {
    letGo = true;
    if (thread_.joinable()) thread_.join();
  }
  std::atomic<bool> inside{false};

 private:
  std::atomic<bool> letGo{false};
  std::thread thread_;
};

class ReaderWriterLockThreads : public testing::Test {
 protected:
  ReaderWriterLockThreads() { sim::Clock::instance().setMode(sim::Clock::Mode::Real); }

  nVLAPALS100::tStatus status;
  vllym::ReaderWriterLock lock{status};
};

TEST_F(ReaderWriterLockThreads, ReadersEnterAndLeaveWithoutTouchingAMutex) {
  ASSERT_EQ(status.getCode(), 0);
  const uint64_t before = sim::Sync::mutexAcquisitions();
  std::vector<std::thread> readers;
  for (int i = 0; i < 4; ++i) {
    readers.emplace_back([this] {
      for (int k = 0; k < 2000; ++k) {
        lock.acquireShared();
        lock.releaseShared();
      }
    });
  }
  for (std::thread& reader : readers) reader.join();
  EXPECT_EQ(sim::Sync::mutexAcquisitions(), before);
  EXPECT_EQ(lock.getReaderCount(), 1u);
}

TEST_F(ReaderWriterLockThreads, AWriterWaitsForTheReadersInsideAndHoldsNewOnesUntilItReleases) {
  auto first = std::make_unique<Reader>(lock);
  auto second = std::make_unique<Reader>(lock);
  ASSERT_TRUE(eventually([&] { return first->inside && second->inside; }));
  EXPECT_EQ(lock.getReaderCount(), 3u);

  std::atomic<bool> writing{false};
  std::atomic<bool> letWriterGo{false};
  std::thread writer([&] {
    lock.acquireExclusive();
    writing = true;
    while (!letWriterGo) std::this_thread::yield();
    writing = false;
    lock.release();
  });
  ASSERT_TRUE(eventually([&] { return lock.isWriterPresent() && sim::Sync::waitingThreads() == 1; }));
  // The bias is gone: the count is the readers inside.
  EXPECT_EQ(lock.getReaderCount(), 2u);

  auto late = std::make_unique<Reader>(lock);
  ASSERT_TRUE(eventually([] { return sim::Sync::waitingThreads() == 2; }));

  first->leave();
  EXPECT_FALSE(writing);
  second->leave();
  ASSERT_TRUE(eventually([&] { return writing.load(); }));
  EXPECT_TRUE(lock.areReadersDrained());
  EXPECT_FALSE(late->inside);

  letWriterGo = true;
  ASSERT_TRUE(eventually([&] { return late->inside.load(); }));
  writer.join();
  late->leave();
  EXPECT_EQ(lock.getReaderCount(), 1u);
  EXPECT_FALSE(lock.isWriterPresent());
}

TEST_F(ReaderWriterLockThreads, AWriterWithNoReaderInsideEntersAtOnceAndSetsDrainedItself) {
  lock.acquireExclusive();
  EXPECT_EQ(lock.getReaderCount(), 0u);
  EXPECT_TRUE(lock.areReadersDrained());
  lock.release();
  EXPECT_EQ(lock.getReaderCount(), 1u);
  EXPECT_FALSE(lock.areReadersDrained());
}

TEST_F(ReaderWriterLockThreads, BackedOffReadersAllEnterTogetherAfterRelease) {
  lock.acquireExclusive();
  std::vector<std::unique_ptr<Reader>> readers;
  for (int i = 0; i < 4; ++i) readers.push_back(std::make_unique<Reader>(lock));
  ASSERT_TRUE(eventually([] { return sim::Sync::waitingThreads() == 4; }));
  EXPECT_EQ(lock.getReaderCount(), 0u);

  lock.release();
  ASSERT_TRUE(eventually([&] {
    for (const auto& reader : readers) {
      if (!reader->inside) return false;
    }
    return true;
  }));
  EXPECT_EQ(lock.getReaderCount(), 5u);
  for (auto& reader : readers) reader->leave();
  EXPECT_EQ(lock.getReaderCount(), 1u);
}

// Writers move a pair of plain values that readers expect equal; a reader
// that ran beside a writer sees them apart, and ThreadSanitizer sees the
// race.
TEST_F(ReaderWriterLockThreads, WritersExcludeReadersAndEachOtherUnderMixedLoad) {
  uint64_t left = 0;
  uint64_t right = 0;
  std::atomic<int> torn{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 6; ++t) {
    threads.emplace_back([&, t] {
      for (int k = 0; k < 300; ++k) {
        if ((t + k) % 5 == 0) {
          lock.acquireExclusive();
          ++left;
          std::this_thread::yield();
          ++right;
          lock.release();
        } else {
          lock.acquireShared();
          if (left != right) ++torn;
          lock.releaseShared();
        }
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(torn, 0);
  EXPECT_EQ(left, right);
  EXPECT_EQ(lock.getReaderCount(), 1u);
}

}  // namespace
}  // namespace vltest
