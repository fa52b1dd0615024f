// An acquire blocks holding its FIFO's mutex; an abort reaches the board
// FIFO without it and wakes the waiter with the abort code, and the stop
// that follows runs only once the waiter has left.
#include <gtest/gtest.h>

#include <future>
#include <thread>

#include "FpgaFifoDouble.h"
#include "sim/kernel/Clock.h"

namespace vltest {
namespace {

TEST(FpgaFifoThreads, AnAbortWakesABlockedAcquireAndTheStopWaitsForItToLeave) {
  sim::Clock::instance().setMode(sim::Clock::Mode::Real);
  sim::UserBlock user(4096);
  DoubleFifoFactory factory;
  tStatus status;
  DoubleManager manager(&factory, status);
  manager.createFifos(recordsOf({FifoRecord{}}), status);
  DoubleFpgaFifo* fifo = manager.findFifo(0, 1, 1, status);
  fifo->setBuffer(user.address(), 4096, status);
  fifo->start(status);
  auto blocked = std::async(std::launch::async, [&] {
    tStatus mine;
    uint8_t timedOut = 0;
    fifo->acquireBytes(4096, 0xFFFFFFFF, &timedOut, mine);
    return mine.getCode();
  });
  while (factory.live[0]->waiting == 0) std::this_thread::yield();
  manager.abortFifos(-50405, status);
  EXPECT_EQ(blocked.get(), -50405);
  EXPECT_EQ(fifo->getState(), 1u);
  const Calls calls = factory.calls();
  EXPECT_EQ(Calls(calls.end() - 3, calls.end()), (Calls{"0 abort", "0 woken", "0 stop"}));
}

}  // namespace
}  // namespace vltest
