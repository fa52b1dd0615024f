// An acquire blocks holding its FIFO's mutex; an abort reaches the board
// FIFO without it and wakes the waiter with the abort code, and the stop
// that follows runs only once the waiter has left. A release does the same
// on the one FIFO it gives back.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <thread>

#include "FpgaFifoDouble.h"
#include "sim/kernel/Clock.h"

namespace vltest {
namespace {

// One started FIFO with its buffer, on the real clock.
class FpgaFifoThreads : public ::testing::Test {
 protected:
  void SetUp() override {
    sim::Clock::instance().setMode(sim::Clock::Mode::Real);
    manager.createFifos(recordsOf({FifoRecord{}}), status);
    fifo = manager.findFifo(0, 1, 1, status);
    fifo->setBuffer(user.address(), 4096, status);
    fifo->start(status);
  }

  // An acquire of a whole buffer without limit, started on a thread of its
  // own and returned once it waits.
  std::future<int64_t> acquireWithoutLimit() {
    auto blocked = std::async(std::launch::async, [this] {
      tStatus mine;
      uint8_t timedOut = 0;
      fifo->acquireBytes(4096, 0xFFFFFFFF, &timedOut, mine);
      return static_cast<int64_t>(mine.getCode());
    });
    while (factory.live[0]->waiting == 0) std::this_thread::yield();
    return blocked;
  }

  sim::UserBlock user{4096};
  DoubleFifoFactory factory;
  tStatus status;
  DoubleManager manager{&factory, status};
  DoubleFpgaFifo* fifo = nullptr;
};

TEST_F(FpgaFifoThreads, AnAbortWakesABlockedAcquireAndTheStopWaitsForItToLeave) {
  auto blocked = acquireWithoutLimit();
  manager.abortFifos(-50405, status);
  EXPECT_EQ(blocked.get(), -50405);
  EXPECT_EQ(fifo->getState(), 1u);
  const Calls calls = factory.calls();
  EXPECT_EQ(Calls(calls.end() - 3, calls.end()), (Calls{"0 abort", "0 woken", "0 stop"}));
}

// A release wakes the acquire blocked on its FIFO and stops the FIFO
// outside the manager's mutex, so that it cannot wait on a waiter nobody
// woke; until the release ends the number belongs to nobody (its owner is
// refused too), and afterwards the board FIFO keeps no abort.
TEST_F(FpgaFifoThreads, AnUnreserveWakesABlockedAcquireAndFreesTheNumberOnlyOnceItsStopEnded) {
  // The stop holds on until the numbers were probed from another thread.
  std::atomic<bool> stopping{false}, probed{false};
  factory.live[0]->onStop = [&] {
    stopping = true;
    while (!probed) std::this_thread::yield();
  };
  auto blocked = acquireWithoutLimit();
  auto unreserved = std::async(std::launch::async, [&] {
    tStatus mine;
    manager.unreserveFifo(1, 1, 0, mine);
    return mine.getCode();
  });
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (!stopping && std::chrono::steady_clock::now() < deadline) std::this_thread::yield();
  if (!stopping) {
    std::fprintf(stderr, "the unreserve waits for the acquire it should have woken\n");
    std::abort();
  }
  std::vector<int64_t> duringStop;
  for (uint64_t owner : {1, 2}) {
    tStatus probe;
    manager.findFifo(0, owner, owner, probe);
    duringStop.push_back(probe.getCode());
  }
  probed = true;
  EXPECT_EQ(unreserved.get(), 0);
  EXPECT_EQ(blocked.get(), -50405);
  EXPECT_EQ(duringStop, (std::vector<int64_t>{-63082, -63082}));
  factory.live[0]->onStop = nullptr;
  tStatus later;
  EXPECT_EQ(manager.findFifo(0, 2, 2, later), fifo);
  EXPECT_EQ(later.getCode(), 0);
  const Calls calls = factory.calls();
  EXPECT_EQ(Calls(calls.end() - 5, calls.end()), (Calls{"0 abort", "0 woken", "0 stop", "0 unmap", "0 clearError"}));
}

}  // namespace
}  // namespace vltest
