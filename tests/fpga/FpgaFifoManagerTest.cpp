// FPGA FIFOs and their manager over a logging board side: which records get
// a FIFO, who owns a number, the state machine of one FIFO, and that pages
// are never unlocked under a running DMA.
#include <gtest/gtest.h>

#include "FpgaFifoDouble.h"
#include "sim/kernel/PageLists.h"

namespace vltest {
namespace {

using Calls = std::vector<std::string>;
constexpr uint64_t kOwner = 7, kSession = 0x1000, kOther = 0x2000;

FifoRecord record(uint32_t number, uint8_t direction = 0, uint8_t dma = 1, uint32_t control = 0x400) {
  FifoRecord fifo;
  fifo.number = number;
  fifo.direction = direction;
  fifo.dma = dma;
  fifo.control = control;
  return fifo;
}

class FpgaFifos : public testing::Test {
 protected:
  void create(const std::vector<FifoRecord>& fifos) { manager.createFifos(recordsOf(fifos), status); }
  DoubleFpgaFifo* claim(uint32_t number, uint64_t session = kSession) {
    return manager.findFifo(number, kOwner, session, status);
  }
  // FIFO 0 with a buffer of `bytes` at 100 bytes into the user block.
  DoubleFpgaFifo* withBuffer(uint64_t bytes = 8192) {
    create({record(0)});
    DoubleFpgaFifo* fifo = claim(0);
    fifo->setBuffer(user.address() + 100, bytes, status);
    return fifo;
  }
  Calls calls() { return factory.calls(); }

  sim::UserBlock user{3 * 4096};
  DoubleFifoFactory factory;
  tStatus status{tStatus::kFullSize};
  DoubleManager manager{&factory, status};
};

TEST_F(FpgaFifos, EveryRecordHasAnEntryAndOnlyDmaRecordsOfOneDirectionAFifo) {
  create({record(0, 0), record(1, 1), record(2, 2), record(3, 0, 0)});
  ASSERT_EQ(status.getCode(), 0);
  EXPECT_EQ(manager.getEntryCount(), 4u);
  EXPECT_EQ(factory.live.size(), 2u);
  EXPECT_EQ(claim(1)->getDirection(), 1u);
  EXPECT_EQ(claim(2), nullptr);
  EXPECT_EQ(claim(3), nullptr);
  EXPECT_EQ(status.getCode(), 0);
  create({record(0), record(1), record(2), record(3), record(4)});
  EXPECT_EQ(manager.getEntryCount(), 4u);
  EXPECT_EQ(factory.live.size(), 2u);
}

// A record whose FIFO would have no control block, no entry of its own, a
// number another FIFO holds, or a block outside the FPGA window.
class RefusedRecord : public FpgaFifos, public testing::WithParamInterface<FifoRecord> {};

TEST_P(RefusedRecord, GetsNoFifoAndTheOthersStillDo) {
  create({record(0), record(1, 1), GetParam()});
  EXPECT_EQ(status.getCode(), nVLAPALS100::kStatusInvalidParameter);
  EXPECT_EQ(factory.live.size(), 2u);
  tStatus fresh;
  EXPECT_EQ(manager.findFifo(0, kOwner, kSession, fresh)->getDirection(), 0u);
  EXPECT_EQ(manager.findFifo(1, kOwner, kSession, fresh)->getDirection(), 1u);
  EXPECT_EQ(manager.findFifo(2, kOwner, kSession, fresh), nullptr);
}

INSTANTIATE_TEST_SUITE_P(Records, RefusedRecord,
                         testing::Values(record(2, 0, 1, 0xFFFFFFFF), record(3), record(1, 0),
                                         record(2, 1, 1, DoubleFifoFactory::kWindow - 8)));

TEST_F(FpgaFifos, ANumberBelongsToItsFirstUserUntilItIsGivenBack) {
  create({record(0), record(1, 2)});
  EXPECT_NE(claim(0), nullptr);
  EXPECT_EQ(claim(0, kOther), nullptr);
  EXPECT_EQ(status.getCode(), vllym::kStatusFifoOwnedElsewhere);
  status.clear();
  EXPECT_EQ(claim(9), nullptr);
  EXPECT_EQ(status.getCode(), nVLAPALS100::kStatusInvalidParameter);
  status.clear();
  manager.unreserveFifo(kOwner, kOther, 0, status);
  EXPECT_EQ(status.getCode(), nVLAPALS100::kStatusRequestFailure);
  status.clear();
  manager.unreserveFifo(0, kSession, 0, status);  // any owner of the session
  EXPECT_NE(claim(0, kOther), nullptr);
  EXPECT_EQ(manager.getEntry(0).session, kOther);
  claim(1, kOther);
  manager.releaseSessionFifos(kOwner + 1, kOther, status);
  EXPECT_EQ(manager.getEntry(0).session, kOther);
  manager.releaseSessionFifos(0, kOther, status);
  EXPECT_EQ(manager.getEntry(0).session, 0u);
  EXPECT_EQ(manager.getEntry(1).session, 0u);
  EXPECT_EQ(status.getCode(), 0);
}

TEST_F(FpgaFifos, ABufferIsLockedAsAFifoPageListAndStartsStopsAndRestarts) {
  DoubleFpgaFifo* fifo = withBuffer();
  ASSERT_EQ(status.getCode(), 0);
  EXPECT_EQ(fifo->getState(), 1u);
  const auto pages = sim::PageLists::find(fifo->getBuffer().pages.handle);
  ASSERT_TRUE(pages.has_value());
  EXPECT_EQ(pages->flags, 16u);
  EXPECT_EQ(pages->pageCount, 3u);
  EXPECT_EQ(fifo->getBuffer().offset, (user.address() + 100) % 4096);
  uint8_t timedOut = 1;
  fifo->releaseBytes(4, status);
  EXPECT_EQ(status.getCode(), nVLAPALS100::kStatusRequestFailure);
  status.clear();
  EXPECT_EQ(fifo->acquireBytes(4, 0, &timedOut, status), 0u);
  EXPECT_EQ(timedOut, 0u);
  EXPECT_EQ(status.getCode(), nVLAPALS100::kStatusRequestFailure);
  status.clear();
  fifo->stop(status);  // not started: nothing to do
  fifo->start(status);
  EXPECT_EQ(fifo->getState(), 2u);
  fifo->start(status);
  EXPECT_EQ(status.getCode(), vllym::kStatusFifoNotStartable);
  status.clear();
  fifo->releaseBytes(4, status);
  fifo->stop(status);
  fifo->start(status);
  EXPECT_EQ(calls(), (Calls{"0 unmap", "0 map 8192", "0 start", "0 release 4", "0 stop", "0 start"}));
}

TEST_F(FpgaFifos, ARunningFifoRefusesNewSettingsBeforeItsModeChanges) {
  DoubleFpgaFifo* fifo = withBuffer();
  const uint64_t locked = fifo->getBuffer().pages.handle;
  fifo->start(status);
  fifo->deploySettings(vllym::FpgaFifoSettings{1, user.address(), 4096}, status);
  EXPECT_EQ(status.getCode(), vllym::kStatusFifoRunning);
  EXPECT_EQ(calls().back(), "0 start");
  EXPECT_EQ(fifo->getBuffer().pages.handle, locked);
  EXPECT_EQ(fifo->getState(), 2u);
}

TEST_F(FpgaFifos, UnlockingARunningFifoStopsItBeforeThePagesGo) {
  DoubleFpgaFifo* fifo = withBuffer();
  fifo->start(status);
  fifo->unlockBuffer();
  EXPECT_EQ(calls(), (Calls{"0 unmap", "0 map 8192", "0 start", "0 stop", "0 unmap"}));
  EXPECT_EQ(fifo->getState(), 0u);
  EXPECT_EQ(sim::PageLists::userLists(), 0u);
  fifo->start(status);
  EXPECT_EQ(status.getCode(), vllym::kStatusFifoNotStartable);
}

TEST_F(FpgaFifos, BuffersThatCannotBeUsedLeaveTheFifoWithoutOne) {
  create({record(0)});
  DoubleFpgaFifo* fifo = claim(0);
  fifo->setBuffer(user.address(), UINT64_MAX - user.address() + 1, status);  // wraps
  EXPECT_EQ(status.getCode(), nVLAPALS100::kStatusInvalidParameter);
  status.clear();
  sim::PageLists::userLockFaults().failNth(1, 0);
  fifo->setBuffer(user.address(), 4096, status);
  EXPECT_EQ(status.getCode(), nVLAPALS100::kStatusOutOfMemory);
  status.clear();
  factory.refuseBuffers = true;
  fifo->deploySettings(vllym::FpgaFifoSettings{2, user.address(), 4096}, status);
  EXPECT_EQ(status.getCode(), -61072);
  EXPECT_EQ(calls(), (Calls{"0 unmap", "0 unmap", "0 mode 2", "0 unmap", "0 map 4096", "0 unmap"}));
  EXPECT_EQ(fifo->getState(), 0u);
  EXPECT_EQ(sim::PageLists::userLists(), 0u);
}

TEST_F(FpgaFifos, ReleasingAnEntryOrTheManagerStopsTheFifoAndUnlocksItsPages) {
  withBuffer()->start(status);
  manager.unreserveFifo(kOwner, kSession, 0, status);
  EXPECT_EQ(calls(), (Calls{"0 unmap", "0 map 8192", "0 start", "0 stop", "0 unmap"}));
  EXPECT_EQ(sim::PageLists::userLists(), 0u);
  claim(0)->setBuffer(user.address(), 64, status);
  claim(0)->start(status);
  manager.destroyFifos();
  EXPECT_EQ(calls().back(), "0 stop");
  EXPECT_TRUE(factory.live.empty());
  EXPECT_EQ(sim::PageLists::userLists(), 0u);
  EXPECT_EQ(manager.getEntryCount(), 0u);
}

TEST_F(FpgaFifos, StopAbortAndClearErrorReachEveryFifo) {
  create({record(0), record(1, 2), record(2, 1)});
  for (uint32_t number : {0u, 2u}) {
    claim(number)->setBuffer(user.address(), 64, status);
    claim(number)->start(status);
  }
  manager.abortFifos(-50405, status);
  manager.clearFifoErrors(status);
  manager.stopFifos(status);
  const Calls all = calls();
  EXPECT_EQ(Calls(all.begin() + 6, all.end()),
            (Calls{"0 abort", "0 stop", "2 abort", "2 stop", "0 clearError", "2 clearError"}));
}

}  // namespace
}  // namespace vltest
