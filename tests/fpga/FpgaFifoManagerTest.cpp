// FPGA FIFOs and their manager over a logging board side: which records get
// a FIFO, who owns a number, one FIFO's states, and that pages are never
// unlocked under a running DMA.
#include <gtest/gtest.h>

#include "FpgaFifoDouble.h"
#include "driver/fpga/FpgaStatusCodes.h"
#include "sim/kernel/Memory.h"
#include "sim/kernel/PageLists.h"

namespace vltest {
namespace {

constexpr uint64_t kOwner = 7, kSession = 0x1000, kOther = 0x2000;

class FpgaFifos : public testing::Test {
 protected:
  void create(const std::vector<FifoRecord>& fifos) { manager.createFifos(recordsOf(fifos), status); }
  DoubleFpgaFifo* claim(uint32_t number, uint64_t session = kSession) {
    return manager.findFifo(number, kOwner, session, status);
  }
  // FIFO 0 with 8 KiB from 100 bytes into the user block, on its own status.
  DoubleFpgaFifo* withBuffer(bool started) {
    create({FifoRecord{}});
    DoubleFpgaFifo* fifo = claim(0);
    tStatus own;
    fifo->setBuffer(user.address() + 100, 8192, own);
    if (started) fifo->start(own);
    EXPECT_EQ(own.getCode(), 0);
    return fifo;
  }
  int64_t take() {
    const int64_t code = status.getCode();
    status.clear();
    return code;
  }

  sim::UserBlock user{3 * 4096};
  DoubleFifoFactory factory;
  tStatus status{tStatus::kFullSize};
  DoubleManager manager{&factory, status};
};

TEST_F(FpgaFifos, EveryRecordHasAnEntryAndOnlyDmaRecordsOfOneDirectionAFifoOnce) {
  create({{0, 0}, {1, 1}, {2, 2}, {3, 0, 0}});
  EXPECT_EQ(manager.getEntryCount(), 4u);
  EXPECT_EQ(claim(1)->getDirection(), 1u);
  EXPECT_EQ(claim(2), nullptr);
  EXPECT_EQ(claim(3), nullptr);
  create({{0}, {1}, {2}, {3}, {4}});
  EXPECT_EQ(take(), nVLAPALS100::kStatusInvalidParameter);  // 4 has no entry
  EXPECT_EQ(manager.getEntryCount(), 4u);
  EXPECT_EQ(factory.live.size(), 2u);
}

// A FIFO that ran out of memory is made by the next call, which leaves the
// others (and a refused record's missing FIFO) as they were.
TEST_F(FpgaFifos, AFifoThatRanOutOfMemoryIsMadeByTheNextCallAlone) {
  const auto records = recordsOf({{0, 0}, {1, 1}, {2, 0, 1, 0xFFFFFFFF}});
  sim::Memory::allocationFaults().failNth(6, -52000);  // FIFO 1's own object
  manager.createFifos(records, status);
  EXPECT_EQ(take(), -52000);
  DoubleFpgaFifo* first = claim(0);
  EXPECT_EQ(claim(1), nullptr);
  manager.createFifos(records, status);
  EXPECT_EQ(take(), -52005);  // the refused record is refused again
  EXPECT_EQ(claim(0), first);
  ASSERT_NE(claim(1), nullptr);
  EXPECT_EQ(claim(1)->getDirection(), 1u);
  EXPECT_EQ(claim(2), nullptr);
  EXPECT_EQ(factory.live.size(), 2u);
  manager.createFifos(records, status);
  EXPECT_EQ(take(), -52005);  // complete: a later call refuses alike and changes nothing
  EXPECT_EQ(factory.live.size(), 2u);
}

// No control block, a number beyond the entries, a number already taken,
// a block outside the FPGA window: no FIFO for it, the others keep theirs,
// and every later configuration of the same list is refused alike.
TEST_F(FpgaFifos, ADmaRecordWithoutAPlaceOfItsOwnIsRefusedEveryTime) {
  for (FifoRecord refused : {FifoRecord{2, 0, 1, 0xFFFFFFFF}, FifoRecord{3}, FifoRecord{1, 0},
                             FifoRecord{2, 1, 1, DoubleFifoFactory::kWindow - 8}}) {
    manager.destroyFifos();
    for (int pass = 0; pass < 2; ++pass) {
      create({{0}, {1, 1}, refused});
      EXPECT_EQ(take(), nVLAPALS100::kStatusInvalidParameter) << refused.number << " pass " << pass;
      EXPECT_EQ(factory.live.size(), 2u);
      EXPECT_EQ(claim(1)->getDirection(), 1u);
      EXPECT_EQ(claim(2), nullptr);
    }
  }
}

TEST_F(FpgaFifos, ANumberBelongsToItsFirstUserUntilItIsGivenBack) {
  create({{0}, {1, 2}});
  EXPECT_NE(claim(0), nullptr);
  EXPECT_EQ(claim(0, kOther), nullptr);
  EXPECT_EQ(take(), vllym::kStatusFifoOwnedElsewhere);
  EXPECT_EQ(claim(9), nullptr);
  EXPECT_EQ(take(), nVLAPALS100::kStatusInvalidParameter);
  manager.unreserveFifo(kOwner, kOther, 0, status);
  EXPECT_EQ(take(), nVLAPALS100::kStatusRequestFailure);
  manager.unreserveFifo(0, kSession, 0, status);  // any owner of the session
  EXPECT_NE(claim(0, kOther), nullptr);
  claim(1, kOther);
  manager.releaseSessionFifos(kOwner + 1, kOther, status);
  EXPECT_EQ(manager.getEntry(0).session, kOther);
  manager.releaseSessionFifos(0, kOther, status);
  EXPECT_EQ(manager.getEntry(0).session + manager.getEntry(1).session, 0u);
  EXPECT_EQ(take(), 0);
}

TEST_F(FpgaFifos, ABufferIsLockedForTheFifoWhichStartsStopsAndRestartsButTakesNoSettingsWhileRunning) {
  DoubleFpgaFifo* fifo = withBuffer(false);
  const auto pages = sim::PageLists::find(fifo->getBuffer().pages.handle);
  ASSERT_TRUE(pages.has_value());
  EXPECT_EQ(pages->flags, 16u);
  EXPECT_EQ(pages->pageCount, 3u);
  EXPECT_EQ(fifo->getState(), 1u);
  uint8_t timedOut = 1;
  EXPECT_EQ(fifo->acquireBytes(4, 0, &timedOut, status) + timedOut, 0u);
  EXPECT_EQ(take(), nVLAPALS100::kStatusRequestFailure);
  fifo->releaseBytes(4, status);
  EXPECT_EQ(take(), nVLAPALS100::kStatusRequestFailure);
  fifo->stop(status);  // not started: nothing to do
  fifo->start(status);
  fifo->start(status);
  EXPECT_EQ(take(), vllym::kStatusFifoNotStartable);
  fifo->releaseBytes(4, status);
  fifo->stop(status);
  fifo->start(status);
  // Running: new settings are refused before the mode changes.
  fifo->deploySettings(vllym::FpgaFifoSettings{1, user.address(), 4096}, status);
  EXPECT_EQ(take(), vllym::kStatusInternalError);
  EXPECT_EQ(factory.calls(), (Calls{"0 unmap", "0 map 8192", "0 start", "0 release 4", "0 stop", "0 start"}));
  EXPECT_TRUE(sim::PageLists::find(fifo->getBuffer().pages.handle).has_value());
  EXPECT_EQ(fifo->getState(), 2u);
}

TEST_F(FpgaFifos, UnlockingOrReleasingARunningFifoStopsItBeforeItsPagesGo) {
  withBuffer(true)->unlockBuffer();
  EXPECT_EQ(factory.calls(), (Calls{"0 unmap", "0 map 8192", "0 start", "0 stop", "0 unmap"}));
  EXPECT_EQ(claim(0)->getState(), 0u);
  EXPECT_EQ(sim::PageLists::userLists(), 0u);
  const auto restart = [&] {
    claim(0)->setBuffer(user.address(), 64, status);
    claim(0)->start(status);
  };
  restart();
  // Aborted whether or not anybody waits, so that no acquire to come waits
  // either; its error cleared only once it stopped.
  manager.unreserveFifo(kOwner, kSession, 0, status);
  const Calls calls = factory.calls();
  EXPECT_EQ(Calls(calls.end() - 4, calls.end()), (Calls{"0 abort", "0 stop", "0 unmap", "0 clearError"}));
  EXPECT_EQ(sim::PageLists::userLists(), 0u);
  restart();
  manager.destroyFifos();  // the board FIFO unmaps as it goes
  EXPECT_EQ(factory.calls().back(), "0 stop");
  EXPECT_EQ(sim::PageLists::userLists(), 0u);
  EXPECT_TRUE(factory.live.empty());
}

// A size that wraps, pages that cannot be locked, a buffer the board refuses.
TEST_F(FpgaFifos, BuffersThatCannotBeUsedLeaveTheFifoWithoutOne) {
  create({FifoRecord{}});
  DoubleFpgaFifo* fifo = claim(0);
  fifo->setBuffer(user.address(), UINT64_MAX - user.address() + 1, status);
  EXPECT_EQ(take(), nVLAPALS100::kStatusInvalidParameter);
  sim::PageLists::userLockFaults().failNth(1, 0);
  fifo->setBuffer(user.address(), 4096, status);
  EXPECT_EQ(take(), nVLAPALS100::kStatusOutOfMemory);
  factory.log.refuseBuffers = true;
  fifo->deploySettings(vllym::FpgaFifoSettings{2, user.address(), 4096}, status);
  EXPECT_EQ(take(), -61072);
  EXPECT_EQ(factory.calls(), (Calls{"0 unmap", "0 unmap", "0 mode 2", "0 unmap", "0 map 4096", "0 unmap"}));
  EXPECT_EQ(fifo->getState(), 0u);
  EXPECT_EQ(sim::PageLists::userLists(), 0u);
}

TEST_F(FpgaFifos, StopAbortAndClearErrorReachEveryFifo) {
  create({{0}, {1, 2}, {2, 1}});
  for (uint32_t number : {0u, 2u}) {
    claim(number)->setBuffer(user.address(), 64, status);
    claim(number)->start(status);
  }
  manager.abortFifos(-50405, status);
  manager.clearFifoErrors(status);
  manager.stopFifos(status);
  const Calls calls = factory.calls();
  EXPECT_EQ(Calls(calls.begin() + 6, calls.end()),
            (Calls{"0 abort", "0 stop", "2 abort", "2 stop", "0 clearError", "2 clearError"}));
}

}  // namespace
}  // namespace vltest
