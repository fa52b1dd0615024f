// A PCI device's interrupt the whole road: the board model raises its
// line, the simulated kernel layer calls the routine the device reserved,
// and the routine calls the device's interrupt handler, plainly or under
// the device's interrupt spin lock.
#include <gtest/gtest.h>

#include "PciTestDevice.h"
#include "driver/platform/pci/PciSites.h"
#include "driver/platform/status/SourceSites.h"
#include "sim/kernel/Interrupts.h"
#include "sim/kernel/Sync.h"
#include "tests/support/StatusChecks.h"

namespace {

using nVLAPALS100::tStatus;
using sim::Interrupts;
using vltest::CountingHandler;
using vltest::PciTestBoard;
using vltest::Site;
using vltest::siteOf;
using vltest::statusAfter;

class PciDeviceInterrupt : public testing::Test {
 protected:
  tStatus status;
  uint64_t line() { return plugged.board().pciHandle(); }
  PciTestBoard plugged;
  CountingHandler handler;
};

TEST_F(PciDeviceInterrupt, RaisedInterruptReachesTheHandlerInInterruptContext) {
  bool inInterrupt = false;
  handler.during = [&] { inInterrupt = Interrupts::inInterruptContext(); };
  plugged.device().reserveInterrupt(&handler, status, 0);
  ASSERT_EQ(status.getCode(), 0);
  EXPECT_TRUE(plugged.device().isInterruptReserved());
  EXPECT_EQ(Interrupts::reservationFlags(line()) & 1u, 1u) << "reserved as a shared line";
  plugged.board().raiseInterrupt();
  EXPECT_EQ(handler.calls, 1);
  EXPECT_TRUE(inInterrupt);
  EXPECT_EQ(Interrupts::counts(line()).claimed, 1u);

  plugged.device().relinquishInterrupt();
  EXPECT_FALSE(Interrupts::isReserved(line()));
  plugged.board().raiseInterrupt();
  EXPECT_EQ(handler.calls, 1);
  EXPECT_EQ(Interrupts::counts(line()).lost, 1u);
}

TEST_F(PciDeviceInterrupt, LockedRoutineRunsTheHandlerUnderTheReturnedLock) {
  int depthInHandler = -1;
  handler.during = [&] { depthInHandler = sim::Sync::interruptLockDepth(); };
  nVLAPAL000::tSpinLock* lock = plugged.device().reserveInterruptWithLock(&handler, status, 0);
  ASSERT_NE(lock, nullptr);
  ASSERT_TRUE(lock->isValid());
  plugged.board().raiseInterrupt();
  EXPECT_EQ(handler.calls, 1);
  EXPECT_EQ(depthInHandler, 1) << "the handler runs holding one interrupt-level lock";

  // Holding the lock keeps the handler out: the interrupt waits.
  lock->acquireInterrupt();
  plugged.board().raiseInterrupt();
  EXPECT_EQ(handler.calls, 1);
  lock->releaseInterrupt();
  EXPECT_EQ(handler.calls, 2);
  EXPECT_EQ(Interrupts::counts(line()).deferred, 1u);

  plugged.device().releaseInterruptLock(lock);
  EXPECT_FALSE(lock->isValid());
  EXPECT_FALSE(Interrupts::isReserved(line()));
  plugged.device().releaseInterruptLock(nullptr);
}

TEST_F(PciDeviceInterrupt, RefusedReservationLeavesNoHandlerAndNoLock) {
  const auto reserve = [&](tStatus& s) {
    EXPECT_EQ(plugged.device().reserveInterruptWithLock(&handler, s, 0), nullptr);
  };
  Interrupts::reservationFaults().failNth(1, -51256);
  EXPECT_EQ(siteOf(statusAfter(reserve)), (Site{nVLAPALS100::kStatusNotSupported, nVLAPAL000::sites::kPCIDevice,
                                                nVLAPAL000::sites::lines::kInterruptReservation}));
  EXPECT_FALSE(plugged.device().isInterruptReserved());
  plugged.board().raiseInterrupt();
  EXPECT_EQ(handler.calls, 0);

  sim::Sync::spinLockCreationFaults().failNth(1, 0);
  EXPECT_EQ(siteOf(statusAfter(reserve)), (Site{nVLAPALS100::kStatusOutOfMemory, nVLAPAL000::sites::kSynchronization,
                                                nVLAPAL000::sites::lines::kInterruptLockCreation}));
  EXPECT_FALSE(Interrupts::isReserved(line()));
}

TEST_F(PciDeviceInterrupt, BoardWithoutAnInterruptCannotBeReserved) {
  sim::BoardOptions options;
  options.placement.interruptPresent = false;
  PciTestBoard silent(options);
  silent.device().reserveInterrupt(&handler, status, 0);
  EXPECT_EQ(status.getCode(), nVLAPALS100::kStatusNotSupported);
  EXPECT_FALSE(silent.device().isInterruptReserved());
}

// A second reservation would rewrite the record the kernel layer is
// calling through; it is refused and the first one keeps working.
TEST_F(PciDeviceInterrupt, SecondReservationIsRefusedAndTheFirstStands) {
  plugged.device().reserveInterrupt(&handler, status, 0);
  CountingHandler other;
  EXPECT_EQ(vltest::codeAfter([&](tStatus& s) { plugged.device().reserveInterrupt(&other, s, 0); }),
            nVLAPALS100::kStatusInvalidParameter);
  EXPECT_EQ(vltest::codeAfter([&](tStatus& s) { plugged.device().reserveInterruptWithLock(&other, s, 0); }),
            nVLAPALS100::kStatusInvalidParameter);
  plugged.device().relinquishInterrupt();
  EXPECT_EQ(vltest::codeAfter([&](tStatus& s) { plugged.device().reserveInterrupt(nullptr, s, 0); }),
            nVLAPALS100::kStatusInvalidParameter);
  plugged.device().reserveInterrupt(&handler, status, 0);
  plugged.board().raiseInterrupt();
  EXPECT_EQ(handler.calls, 1);
  EXPECT_EQ(other.calls, 0);
}

}  // namespace
