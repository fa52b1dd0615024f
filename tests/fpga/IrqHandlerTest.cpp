// IRQ waits the whole road: the FPGA window's IRQ block in the board model
// raises the bridge's IRQ source, the interrupt reaches the manager through
// the simulated kernel layer, and the handler wakes its waiters. Waits
// with a bound run in virtual time; the concurrent cases wait without a
// bound on real threads while another thread raises the lines.
#include <gtest/gtest.h>

#include <thread>

#include "InterruptChainFixture.h"
#include "driver/fpga/irq/IrqHandler.h"
#include "sim/kernel/Sync.h"

namespace vltest {
namespace {

using vllym::IrqHandler;

constexpr uint32_t kBase = 0x100;
constexpr int32_t kAbort = -50405;

class IrqWaits : public testing::Test {
 protected:
  void SetUp() override {
    model().fpga().placeIrqBlock(kBase);
    chain.manager->registerDeviceIsr(status);
    EXPECT_EQ(handler.setBaseOffset(kBase), kBase + 8);
    handler.enable(status);
    ASSERT_EQ(status.getCode(), 0);
  }
  sim::Board& model() { return chain.model(); }
  sim::FpgaWindow& fpga() { return model().fpga(); }

  struct Wait {
    uint32_t result = 0;
    uint8_t timedOut = 0xAA;
    int64_t code = 0;
    bool operator==(const Wait&) const = default;
  };
  Wait wait(uint32_t mask, uint32_t timeoutMs) {
    Wait w;
    tStatus waitStatus;
    w.result = handler.waitOnIrqs(mask, timeoutMs, &w.timedOut, waitStatus);
    w.code = waitStatus.getCode();
    return w;
  }
  // Until `count` threads sleep in their waits.
  static void untilWaiting(int count) {
    while (sim::Sync::waitingThreads() < count) std::this_thread::yield();
  }

  InterruptChain chain;
  tStatus status;
  IrqHandler handler{chain.fpga.get(), chain.manager.get(), status};
};

TEST_F(IrqWaits, EnableFillsTheSlotAndTheBlockDisableEmptiesBoth) {
  EXPECT_TRUE(fpga().irqEnabled());
  EXPECT_EQ(chain.control(), 0x94000600u);
  handler.disable(status);
  EXPECT_FALSE(fpga().irqEnabled());
  EXPECT_EQ(chain.control(), 0x54000500u);
  EXPECT_FALSE(handler.isUsable());
  // A second handler may now take the slot.
  RecordingIrq other;
  chain.manager->setIrqInterruptHandler(&other, status);
  EXPECT_EQ(status.getCode(), 0);
}

TEST_F(IrqWaits, AnEnableThatCannotTakeTheSlotUndoesItselfAndLeavesTheOtherHandler) {
  handler.disable(status);
  RecordingIrq other;
  chain.manager->setIrqInterruptHandler(&other, status);
  handler.enable(status);
  EXPECT_EQ(status.getCode(), nVLAPALS100::kStatusInvalidParameter);
  EXPECT_FALSE(fpga().irqEnabled());
  EXPECT_FALSE(handler.isUsable());
  // The other handler still gets the IRQ word.
  tStatus clean;
  chain.manager->updateInterruptEnables(clean);
  fpga().write(kBase, 4, 1);
  fpga().write(kBase + 8, 4, 1);
  fpga().raiseIrqs(1);
  EXPECT_EQ(other.calls, 1);
}

TEST_F(IrqWaits, NothingButAbortWorksWhileNotUsable) {
  IrqHandler fresh(chain.fpga.get(), chain.manager.get(), status);
  tStatus noBase;
  fresh.enable(noBase);
  fresh.setBaseOffset(kBase);  // set, but not enabled
  tStatus waited, reserved, acknowledged;
  uint8_t timedOut = 0;
  EXPECT_EQ(fresh.waitOnIrqs(1, 0, &timedOut, waited), 0xFFFFFFFFu);
  fresh.reserveIrqNode(reserved);
  fresh.acknowledge(1, acknowledged);
  for (const tStatus* each : {&noBase, &waited, &reserved, &acknowledged}) {
    EXPECT_EQ(each->getCode(), nVLAPALS100::kStatusRequestFailure);
  }
  fresh.abortWaits(kAbort);
}

// A poll takes no node; a wait on a line already pending returns at once
// with a node reserved.
TEST_F(IrqWaits, PendingLinesInTheMaskAreAnsweredAtOnce) {
  fpga().raiseIrqs(0x5);
  EXPECT_EQ(wait(0x4 | 0x8, 0), (Wait{0x4, 0, 0}));
  EXPECT_EQ(wait(0x2, 0), (Wait{0, 1, 0}));
  EXPECT_EQ(handler.countIdleNodes(), 0u);
  EXPECT_EQ(wait(0x4, nVLAPAL000::kWaitForever), (Wait{0x4, 0, 0}));
  EXPECT_EQ(handler.countIdleNodes(), 1u);
  // The lines stay pending until acknowledged; nothing is left unmasked.
  EXPECT_EQ(std::pair(fpga().irqPending(), fpga().irqMask()), std::pair(0x5u, 0u));
  handler.acknowledge(0x5, status);
  EXPECT_EQ(fpga().irqPending(), 0u);
}

TEST_F(IrqWaits, ATimeOutIsNoErrorAndPutsTheNodeBack) {
  handler.reserveIrqNode(status);
  EXPECT_EQ(wait(0x8, 10), (Wait{0, 1, 0}));
  EXPECT_EQ(handler.countIdleNodes(), 1u);
  EXPECT_EQ(handler.countWaitingNodes(), 0u);
  EXPECT_EQ(fpga().irqMask(), 0u);
  // A line raised after the expiry is no stale signal for the next wait.
  fpga().raiseIrqs(0x8);
  handler.acknowledge(0x8, status);
  EXPECT_EQ(wait(0x8, 10).timedOut, 1);
  handler.unreserveIrqNode(status);
  handler.unreserveIrqNode(status);  // none left: nothing happens
  EXPECT_EQ(handler.countIdleNodes(), 0u);
  EXPECT_EQ(status.getCode(), 0);
}

TEST_F(IrqWaits, AfterAnAbortEveryWaitFailsUntilCleared) {
  handler.abortWaits(kAbort);
  const Wait aborted = wait(0x1, 10);
  EXPECT_EQ(std::pair(aborted.result, aborted.code), std::pair(0u, int64_t{kAbort}));
  handler.clearAbort();
  fpga().raiseIrqs(0x1);
  EXPECT_EQ(wait(0x1, 10), (Wait{0x1, 0, 0}));
}

class IrqWaitsThreads : public IrqWaits {};

TEST_F(IrqWaitsThreads, ALineWakesEveryWaiterThatWantsItAndNoOther) {
  const uint32_t masks[] = {0x1, 0x1 | 0x4, 0x2};
  std::vector<Wait> waits(3);
  std::vector<std::thread> threads;
  for (int i = 0; i < 3; ++i) threads.emplace_back([&, i] { waits[i] = wait(masks[i], nVLAPAL000::kWaitForever); });
  untilWaiting(3);
  EXPECT_EQ(fpga().irqMask(), 0x7u);
  std::thread([&] { fpga().raiseIrqs(0x1); }).join();
  threads[0].join();
  threads[1].join();
  EXPECT_EQ(waits[0], (Wait{0x1, 0, 0}));
  EXPECT_EQ(waits[1], (Wait{0x1, 0, 0}));
  EXPECT_EQ(fpga().irqMask(), 0x2u);
  EXPECT_EQ(handler.countWaitingNodes(), 1u);
  EXPECT_EQ(chain.counts().claimed, 1u);
  std::thread([&] { fpga().raiseIrqs(0x2); }).join();
  threads[2].join();
  EXPECT_EQ(waits[2], (Wait{0x2, 0, 0}));
  EXPECT_EQ(handler.countIdleNodes(), 3u);
}

// A waiter on no line at all wakes too: nothing else would ever end it.
TEST_F(IrqWaitsThreads, AbortWakesEveryWaiterWithItsCodeWhateverItsMask) {
  std::vector<Wait> waits(3);
  std::vector<std::thread> threads;
  const uint32_t masks[] = {0x1, 0x2, 0x0};
  for (int i = 0; i < 3; ++i) threads.emplace_back([&, i] { waits[i] = wait(masks[i], nVLAPAL000::kWaitForever); });
  untilWaiting(3);
  std::thread aborter([&] { handler.abortWaits(kAbort); });
  aborter.join();
  for (std::thread& t : threads) t.join();
  for (const Wait& w : waits) EXPECT_EQ(std::pair(w.result, w.code), std::pair(0u, int64_t{kAbort}));
  EXPECT_EQ(fpga().irqMask(), 0u);
  EXPECT_EQ(handler.countIdleNodes(), 3u);
}

}  // namespace
}  // namespace vltest
