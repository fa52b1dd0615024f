// The bridge interrupt manager the whole road: enables reaching the
// bridge's control register from the filled slots, status words drained
// from the board model and dispatched, the provider's single registration
// and the ISR lock's two forms.
#include <gtest/gtest.h>

#include "InterruptChainFixture.h"
#include "driver/fpga/FpgaStatusCodes.h"
#include "sim/kernel/Console.h"
#include "sim/kernel/Sync.h"

namespace vltest {
namespace {

using sim::InterruptController;

class InterruptManager : public testing::Test {
 protected:
  void registerIsr() {
    chain.manager->registerDeviceIsr(status);
    ASSERT_EQ(status.getCode(), 0);
  }
  // The IRQ source and `word` raised while the output is off, then the
  // output turned on: everything comes in one interrupt.
  void deliverWhileOff(uint32_t word) {
    chain.bridge().write(0x5C, 4, 0x40000000);
    chain.bridge().post(word);
    chain.bridge().raiseSource(InterruptController::kSourceIrq);
    chain.bridge().write(0x5C, 4, 0x80000001);
  }

  InterruptChain chain;
  tStatus status;
  RecordingIrq irq;
  RecordingIrq secondIrq;
  RecordingIrq shutdown;
  RecordingDma dma;
};

TEST_F(InterruptManager, EnablesFollowTheFilledSlots) {
  ASSERT_EQ(chain.built, 0);
  chain.manager->updateInterruptEnables(status);
  EXPECT_EQ(chain.control(), 0x54000500u);
  chain.manager->setIrqInterruptHandler(&irq, status);
  chain.manager->setDmaInterruptHandler(&dma, status);
  EXPECT_EQ(chain.control(), 0x54000500u);  // the bridge sees slots only at the next update
  chain.manager->updateInterruptEnables(status);
  EXPECT_EQ(chain.control(), 0x94000600u);
  chain.manager->setShutdownInterruptHandler(&shutdown, status);
  chain.manager->updateInterruptEnables(status);
  EXPECT_EQ(chain.control(), 0x94000A00u);
  chain.manager->disableShutdownInterrupt(status);
  EXPECT_EQ(chain.control(), 0x94000600u);
  chain.manager->updateInterruptEnables(status);  // the shutdown slot was kept
  EXPECT_EQ(chain.control(), 0x94000A00u);
  chain.manager->disableAllInterrupts(status);
  EXPECT_EQ(chain.control(), 0x54000500u);
  EXPECT_EQ(status.getCode(), 0);
  // An occupied slot refuses another handler; null clears it.
  RecordingDma other;
  chain.manager->setDmaInterruptHandler(&other, status);
  EXPECT_EQ(status.getCode(), nVLAPALS100::kStatusInvalidParameter);
  tStatus clean;
  chain.manager->setDmaInterruptHandler(nullptr, clean);
  chain.manager->setIrqInterruptHandler(nullptr, clean);
  chain.manager->setShutdownInterruptHandler(nullptr, clean);
  chain.manager->setDmaInterruptHandler(&other, clean);
  chain.manager->updateInterruptEnables(clean);
  EXPECT_EQ(chain.control(), 0x94000500u);  // the DMA mark only: no bridge source
  EXPECT_EQ(clean.getCode(), 0);
}

TEST_F(InterruptManager, ADmaWordWithMoreToComeIsFollowedByTheIrqWordAndTheAcknowledge) {
  registerIsr();
  chain.manager->setIrqInterruptHandler(&irq, status);
  chain.manager->setSecondIrqInterruptHandler(&secondIrq, status);
  chain.manager->setDmaInterruptHandler(&dma, status);
  chain.manager->updateInterruptEnables(status);
  deliverWhileOff(0x10000000 | 3);  // both words come in one page
  ASSERT_EQ(dma.words.size(), 1u);
  EXPECT_EQ(dma.words[0], (std::pair<uint32_t, uint32_t>{3, 0x50000003}));
  EXPECT_EQ(irq.calls, 1);
  EXPECT_EQ(secondIrq.calls, 1);
  EXPECT_EQ(chain.counts().claimed, 1u);
  EXPECT_EQ(chain.control(), 0x80000001u);
  EXPECT_EQ(chain.bridge().queued(), 0u);
}

TEST_F(InterruptManager, AWordOfAllOnesEndsTheDrainButTheAcknowledgeRuns) {
  registerIsr();
  chain.manager->setIrqInterruptHandler(&irq, status);
  chain.manager->updateInterruptEnables(status);
  deliverWhileOff(0xFFFFFFFF);
  EXPECT_EQ(irq.calls, 0);
  EXPECT_EQ(chain.counts().claimed, 1u);
  EXPECT_EQ(chain.control(), 0x80000001u);
}

TEST_F(InterruptManager, TheProviderTakesOneIsrAndRecognisesNothingWithout) {
  EXPECT_FALSE(chain.provider->recognizeInterrupt());
  registerIsr();
  EXPECT_TRUE(sim::Interrupts::isReserved(chain.model().pciHandle()));
  EXPECT_EQ(sim::Interrupts::reservationFlags(chain.model().pciHandle()), 3u);
  tStatus second;
  chain.manager->registerDeviceIsr(second);
  EXPECT_EQ(second.getCode(), vllym::kStatusInternalError);
  EXPECT_TRUE(chain.provider->hasIsr());
  chain.manager->unregisterDeviceIsr();
  EXPECT_FALSE(sim::Interrupts::isReserved(chain.model().pciHandle()));
  EXPECT_FALSE(chain.provider->hasIsr());
}

TEST_F(InterruptManager, AFailedReservationDropsTheIsr) {
  sim::Interrupts::reservationFaults().failNth(1, -51256);
  chain.manager->registerDeviceIsr(status);
  EXPECT_TRUE(status.isFatal());
  EXPECT_FALSE(chain.provider->hasIsr());
  EXPECT_FALSE(chain.connector->isConnected());
}

TEST_F(InterruptManager, TheOutsideFormHoldsTheReservationsSpinLockOnlyWhileConnected) {
  vllym::IsrLockPrimary* lock = chain.manager->getIsrLock();
  ASSERT_EQ(lock, chain.connector->getIsrLock());
  lock->acquireOutsideIsr();
  EXPECT_EQ(sim::Sync::interruptLockDepth(), 0);
  lock->releaseOutsideIsr();
  registerIsr();
  chain.manager->setIrqInterruptHandler(&irq, status);
  chain.manager->updateInterruptEnables(status);
  lock->acquireOutsideIsr();
  EXPECT_EQ(sim::Sync::interruptLockDepth(), 1);
  // An interrupt raised now waits for the release.
  chain.bridge().raiseSource(InterruptController::kSourceIrq);
  EXPECT_EQ(irq.calls, 0);
  lock->releaseOutsideIsr();
  EXPECT_EQ(irq.calls, 1);
  EXPECT_EQ(sim::Sync::interruptLockDepth(), 0);
}

TEST(IsrLockDeathTest, TheInsideFormWithoutAReservationHalts) {
  tStatus status;
  vllym::IsrLockPrimary lock(status);
  sim::Console::setEcho(true);  // the lines before the halt reach stderr
  EXPECT_DEATH(lock.acquireInsideIsr(), "ASSERT\\(isrLock != NULL\\).*Acquiring NULL ISR lock");
  EXPECT_DEATH(lock.releaseInsideIsr(), "Releasing NULL ISR lock");
}

}  // namespace
}  // namespace vltest
