// The FPGA state's reader/writer lock on real threads: no mutex on the
// shared path, a writer drains the readers inside and holds new ones at
// the gate until it releases; a try gives up behind a reader, and the wait
// outside the caller's mutex gives that mutex back.
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

// A try gives up at once while a reader is inside or a writer waits, and
// leaves the lock as it found it; the caller of the outside variant lets
// go of its own mutex while it waits, so a holder of that mutex gets in.
TEST_F(ReaderWriterLockThreads, ATryGivesUpBehindAReaderAndTheOutsideWaitLetsGoOfTheCallersMutex) {
  auto reader = std::make_unique<Reader>(lock);
  until([&] { return reader->inside.load(); });
  EXPECT_FALSE(lock.tryAcquireExclusive());
  EXPECT_EQ(lock.getReaderCount(), 2u);
  EXPECT_FALSE(lock.isWriterPresent());
  Reader second(lock);
  until([&] { return second.inside.load(); });
  second.leave();

  nVLAPAL000::tMutex outer(status);
  std::atomic<bool> writing{false};
  std::thread writer([&] {
    outer.acquire();
    lock.acquireExclusiveOutside(outer);
    writing = true;
    lock.release();
    outer.release();
  });
  until([&] { return lock.isWriterPresent(); });
  outer.acquire();  // given back while the writer waits
  EXPECT_FALSE(writing);
  outer.release();
  reader.reset();
  writer.join();
  EXPECT_TRUE(writing);
  EXPECT_EQ(lock.getReaderCount(), 1u);
  EXPECT_TRUE(lock.tryAcquireExclusive());
  lock.release();
}

}  // namespace
}  // namespace vltest
