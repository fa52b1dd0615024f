// The FPGA state's reader/writer lock on real threads: no mutex on the
// shared path, a writer drains the readers inside and holds new ones at
// the gate until it releases; under ThreadSanitizer the mixed case also
// proves that writers exclude readers.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "driver/fpga/session/ReaderWriterLock.h"
#include "sim/kernel/Clock.h"
#include "sim/kernel/Sync.h"

namespace vltest {
namespace {

template <typename tCondition>
void until(tCondition condition) {
  while (!condition()) std::this_thread::yield();
}

// A thread that holds the lock shared until it is let go.
struct Reader {
  explicit Reader(vllym::ReaderWriterLock& lock)
      : thread([this, &lock] {
          lock.acquireShared();
          inside = true;
          until([this] { return letGo.load(); });
          lock.releaseShared();
        }) {}
  ~Reader() { leave(); }
  void leave() {
    letGo = true;
    if (thread.joinable()) thread.join();
  }
  std::atomic<bool> inside{false}, letGo{false};
  std::thread thread;
};

class ReaderWriterLockThreads : public testing::Test {
 protected:
  ReaderWriterLockThreads() { sim::Clock::instance().setMode(sim::Clock::Mode::Real); }
  nVLAPALS100::tStatus status;
  vllym::ReaderWriterLock lock{status};
};

TEST_F(ReaderWriterLockThreads, AWriterWaitsForTheReadersInsideWhileNewOnesWaitForIt) {
  const uint64_t mutexes = sim::Sync::mutexAcquisitions();
  auto first = std::make_unique<Reader>(lock), second = std::make_unique<Reader>(lock);
  until([&] { return first->inside && second->inside; });
  lock.acquireShared();
  lock.releaseShared();
  EXPECT_EQ(sim::Sync::mutexAcquisitions(), mutexes);
  std::atomic<bool> writing{false}, done{false};
  std::thread writer([&] {
    lock.acquireExclusive();
    writing = true;
    until([&] { return done.load(); });
    lock.release();
  });
  until([&] { return lock.isWriterPresent() && sim::Sync::waitingThreads() == 1; });
  EXPECT_EQ(lock.getReaderCount(), 2u);  // the bias is gone
  Reader late(lock);
  until([] { return sim::Sync::waitingThreads() == 2; });
  first.reset();
  EXPECT_FALSE(writing);
  second.reset();
  until([&] { return writing.load(); });
  EXPECT_FALSE(late.inside);
  done = true;
  until([&] { return late.inside.load(); });
  writer.join();
  late.leave();
  EXPECT_EQ(lock.getReaderCount(), 1u);
}

TEST_F(ReaderWriterLockThreads, AWriterAloneEntersAtOnceAndBackedOffReadersAllEnterAfterRelease) {
  lock.acquireExclusive();
  EXPECT_TRUE(lock.areReadersDrained());
  std::vector<std::unique_ptr<Reader>> readers;
  for (int i = 0; i < 4; ++i) readers.push_back(std::make_unique<Reader>(lock));
  until([] { return sim::Sync::waitingThreads() == 4; });
  lock.release();
  for (auto& reader : readers) until([&] { return reader->inside.load(); });
  EXPECT_EQ(lock.getReaderCount(), 5u);
  readers.clear();
  EXPECT_EQ(lock.getReaderCount(), 1u);
  EXPECT_FALSE(lock.areReadersDrained());
}

// Writers move two plain values apart and together again: a reader beside
// a writer would see them apart, and ThreadSanitizer the race.
TEST_F(ReaderWriterLockThreads, WritersExcludeReadersAndEachOtherUnderMixedLoad) {
  uint64_t left = 0, right = 0;
  std::atomic<int> torn{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 6; ++t) {
    threads.emplace_back([&, t] {
      for (int k = 0; k < 300; ++k) {
        const bool write = (t + k) % 5 == 0;
        write ? lock.acquireExclusive() : lock.acquireShared();
        write ? (void)++left : (void)(torn += left != right);
        std::this_thread::yield();
        write ? (void)++right : (void)0;
        write ? lock.release() : lock.releaseShared();
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(torn, 0);
  EXPECT_EQ(lock.getReaderCount(), 1u);
}

}  // namespace
}  // namespace vltest
