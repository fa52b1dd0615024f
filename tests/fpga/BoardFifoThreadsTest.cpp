// Board FIFO waits on real threads: a reader sleeps in waitForBytes while
// another thread plays the FPGA (feeding the channel, which raises the
// count interrupt) or aborts the FIFO.
#include <gtest/gtest.h>

#include <thread>

#include "FifoRoadFixture.h"
#include "sim/kernel/Sync.h"

namespace vltest {
namespace {

constexpr int32_t kAbort = -50405;

class BoardFifoThreads : public FifoRoad {
 protected:
  struct Wait {
    uint64_t bytes = 0;
    uint8_t timedOut = 0xAA;
    int64_t code = 0;
  };
  void SetUp() override {
    FifoRoad::SetUp();
    fifo = makeFifo(1, Direction::DeviceToHost);
    fifo->setBuffer(&makeBuffer(4096).record, status);
    fifo->start(status);
    ASSERT_EQ(status.getCode(), 0);
  }
  std::thread reader(uint64_t bytes, Wait& result) {
    return std::thread([this, bytes, &result] {
      tStatus waitStatus;
      result.bytes = fifo->waitForBytes(bytes, nVLAPAL000::kWaitForever, &result.timedOut, waitStatus);
      result.code = waitStatus.getCode();
    });
  }
  static void untilWaiting() {
    while (sim::Sync::waitingThreads() < 1) std::this_thread::yield();
  }

  vllym::BoardFifoWexel* fifo = nullptr;
};

TEST_F(BoardFifoThreads, ACountBelowTheTargetDoesNotWakeTheReaderTheOneReachingItDoes) {
  Wait result;
  std::thread waiting = reader(300, result);
  untilWaiting();
  std::thread board([this] {
    engine(1).feed(pattern(100, 3));
    // A count word below the target: the reader sleeps on.
    model().bridge().interrupts().post(0x10000000 | sim::DmaChannel::kCountReached | 1);
  });
  board.join();
  EXPECT_EQ(sim::Sync::waitingThreads(), 1);
  std::thread more([this] { engine(1).feed(pattern(200, 4)); });
  more.join();
  waiting.join();
  EXPECT_EQ(result.bytes, 300u);
  EXPECT_EQ(result.timedOut, 0);
  EXPECT_EQ(result.code, 0);
}

TEST_F(BoardFifoThreads, AbortWakesTheReaderWithItsCodeUntilCleared) {
  Wait result;
  std::thread waiting = reader(100, result);
  untilWaiting();
  std::thread aborter([this] { fifo->abort(kAbort); });
  aborter.join();
  waiting.join();
  EXPECT_EQ(result.code, kAbort);
  tStatus later;
  uint8_t timedOut = 0;
  fifo->waitForBytes(100, 10, &timedOut, later);
  EXPECT_EQ(later.getCode(), kAbort);
  fifo->clearError();
  engine(1).feed(pattern(100, 5));
  tStatus cleared;
  EXPECT_EQ(fifo->waitForBytes(100, 10, &timedOut, cleared), 100u);
  EXPECT_EQ(cleared.getCode(), 0);
}

}  // namespace
}  // namespace vltest
