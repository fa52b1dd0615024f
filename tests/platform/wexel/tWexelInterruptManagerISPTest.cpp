// The bridge's interrupt manager with an interrupt status page in host
// memory, over the board model's interrupt logic.
#include <gtest/gtest.h>

#include <cstring>

#include "driver/platform/wexel/tWexelInterruptManagerISP.h"
#include "sim/board/Board.h"
#include "sim/kernel/PageLists.h"
#include "sim/kernel/ScatterGather.h"
#include "tests/platform/dma/DmaTestSupport.h"

namespace {

using nVLAPAL000::tDMAConfiguration;
using nVLAPAL000::tWexelInterruptManagerISP;
using nVLAPALS100::tStatus;
using sim::BusAccess;
using Kind = sim::BusAccess::Kind;

class WexelInterruptManagerISP : public testing::Test {
 protected:
  tStatus status;
  void SetUp() override {
    board.bar0().startRecording();
    board.bridge().interrupts().setLine([this] { ++raised; });
  }
  volatile uint8_t* bridge() { return board.bar0().data(); }
  std::unique_ptr<tWexelInterruptManagerISP> make(tStatus& status, bool messageSignalled = false) {
    return std::make_unique<tWexelInterruptManagerISP>(bridge(), dma.configuration, 8, 8, messageSignalled, status);
  }
  void post(uint32_t count, uint32_t first = 1) {
    for (uint32_t i = 0; i < count; ++i) board.bridge().interrupts().post(0x10000000 | (first + i));
  }
  // What a deferred routine sees: status words until 0.
  std::vector<uint32_t> drain(tWexelInterruptManagerISP& manager) {
    std::vector<uint32_t> words;
    for (uint32_t word = manager.dequeueInterrupt(); word != 0; word = manager.dequeueInterrupt()) {
      words.push_back(word);
    }
    return words;
  }
  // Every page entry but the last tells that another follows (bit 30).
  static std::vector<uint32_t> range(uint32_t first, uint32_t count) {
    std::vector<uint32_t> words;
    for (uint32_t i = 0; i < count; ++i) words.push_back(0x10000000 | (i + 1 < count ? 1u << 30 : 0) | (first + i));
    return words;
  }

  vltest::ConfiguredDMA dma{tDMAConfiguration::kDMAType32Bit, 0};
  sim::Board board;
  int raised = 0;
};

TEST_F(WexelInterruptManagerISP, ConstructionHandsAPageToTheBridge) {
  for (uint64_t i = 0; i < 8; ++i) *reinterpret_cast<volatile uint64_t*>(bridge() + 0x3C0 + 8 * i) = ~i;
  auto manager = make(status);
  ASSERT_TRUE(status.isNotFatal());
  const std::vector<BusAccess> expected = {
      {Kind::Write, 0x5C, 4, 0x54000500},
      {Kind::Write, 0x3B4, 4, 0},
      {Kind::Write, 0x3B4, 4, (128 - 64) | (16 << 10) | 0x10000},
      {Kind::Write, 0x5C, 4, 1},
  };
  EXPECT_EQ(board.bar0().traffic(), expected);
  for (uint64_t i = 0; i < 8; ++i) EXPECT_EQ(board.bar0().peek64(0x3C0 + 8 * i), 0u);
  const std::vector<uint64_t> lists = sim::PageLists::handles();
  ASSERT_EQ(lists.size(), 1u);
  const auto page = sim::PageLists::find(lists[0]);
  EXPECT_EQ(page->flags, 4u | 2u);
  EXPECT_EQ(page->numaNode, 0u);
  EXPECT_EQ(board.bar0().peek64(0x3B8), page->physical[0]);
  const auto object = sim::ScatterGather::find(sim::ScatterGather::handles().at(0));
  EXPECT_TRUE(object->deviceWrites);
  EXPECT_TRUE(object->handedOver);
  EXPECT_EQ(object->segments.at(0).size, 128u);
  EXPECT_TRUE(board.bridge().interrupts().statusPageActive());
  EXPECT_EQ(board.bridge().interrupts().statusPageEntries(), 16u);
  EXPECT_EQ(manager->getEntryCount(), 16u);
  EXPECT_TRUE(manager->isActive());
}

TEST_F(WexelInterruptManagerISP, PageYieldsAtMostItsSixteenWordsBetweenReEnables) {
  auto manager = make(status);
  *reinterpret_cast<volatile uint64_t*>(bridge() + 0x3C8) = 0x1122334455667788ull;
  post(20);  // while the output is still off
  EXPECT_EQ(raised, 0);
  manager->setInterruptEnables(0x200);
  EXPECT_EQ(raised, 1);
  EXPECT_EQ(manager->recognizeInterrupt(), 1);
  EXPECT_EQ(drain(*manager), range(1, 16));
  EXPECT_EQ(manager->dequeueInterrupt(), 0u);
  uint64_t copied = 0;
  std::memcpy(&copied, manager->getStatusPage() + 64 + 8, 8);
  EXPECT_EQ(copied, 0x1122334455667788ull);  // the data registers follow the entries
  manager->acknowledgeInterrupts();
  EXPECT_EQ(raised, 2);  // the rest went out at once
  EXPECT_EQ(manager->recognizeInterrupt(), 1);
  EXPECT_EQ(drain(*manager), range(17, 4));
  manager->acknowledgeInterrupts();
  EXPECT_EQ(raised, 2);
  EXPECT_EQ(manager->recognizeInterrupt(), 0);
  EXPECT_EQ(drain(*manager), std::vector<uint32_t>{});
  EXPECT_EQ(sim::PhysicalMemory::ownershipViolations(), 0u);
  EXPECT_EQ(sim::ScatterGather::pairingViolations(), 0u);
}

TEST_F(WexelInterruptManagerISP, ClaimReadsTheStateAndMessageSignalledNeedsNoRead) {
  auto manager = make(status);
  manager->setInterruptEnables(0x200);
  board.bar0().startRecording();
  EXPECT_EQ(manager->recognizeInterrupt(), 0);
  EXPECT_EQ(board.bar0().traffic(), (std::vector<BusAccess>{{Kind::Read, 0x5C, 4, 0x200}}));
  auto signalled = make(status, true);
  board.bar0().startRecording();
  EXPECT_EQ(signalled->recognizeInterrupt(), 1);
  EXPECT_TRUE(board.bar0().traffic().empty());
}

TEST_F(WexelInterruptManagerISP, DeviceThatReadsAllOnesIsNotClaimedAndDequeuesNothing) {
  auto manager = make(status);
  manager->setInterruptEnables(0x200);
  board.bar0().setRemoved(true);
  EXPECT_EQ(manager->recognizeInterrupt(), 0);
  EXPECT_EQ(manager->dequeueInterrupt(), 0u);
}

TEST_F(WexelInterruptManagerISP, DeactivateSwitchesThePageOffAndReactivateProgramsItAgain) {
  auto manager = make(status);
  board.bar0().startRecording();
  manager->deactivate();
  const std::vector<BusAccess> off = {
      {Kind::Write, 0x5C, 4, 0x40000000}, {Kind::Write, 0x3B4, 4, 0}, {Kind::Read, 0x3B4, 4, 0}};
  EXPECT_EQ(board.bar0().traffic(), off);
  EXPECT_FALSE(board.bridge().interrupts().statusPageActive());
  EXPECT_FALSE(manager->isActive());
  board.bar0().startRecording();
  manager->reactivate();
  EXPECT_EQ(board.bar0().traffic().front(), (BusAccess{Kind::Write, 0x5C, 4, 0x54000500}));
  EXPECT_EQ(board.bar0().traffic().back(), (BusAccess{Kind::Write, 0x5C, 4, 1}));
  EXPECT_TRUE(board.bridge().interrupts().statusPageActive());
  // The legacy form of the same bridge reads its queue register instead.
  manager->deactivate();
  manager->setInterruptEnables(0x200);
  post(1);
  EXPECT_EQ(board.bridge().interrupts().queued(), 1u);
}

TEST_F(WexelInterruptManagerISP, DestructionSwitchesOffAndFreesThePage) {
  {
    tStatus status;
    auto manager = make(status);
    board.bar0().startRecording();
  }
  const std::vector<BusAccess> expected = {
      {Kind::Write, 0x3B4, 4, 0}, {Kind::Read, 0x3B4, 4, 0}, {Kind::Write, 0x5C, 4, 0x40000000}};
  EXPECT_EQ(board.bar0().traffic(), expected);
  EXPECT_EQ(sim::PageLists::count(), 0u);
  EXPECT_EQ(sim::PageLists::kernelMappings(), 0u);
  EXPECT_EQ(sim::ScatterGather::count(), 0u);
}

TEST_F(WexelInterruptManagerISP, FailuresToGetThePageAreReported) {
  tDMAConfiguration unconfigured;
  tStatus notSupported;
  tWexelInterruptManagerISP none(bridge(), unconfigured, 8, 8, false, notSupported);
  EXPECT_EQ(notSupported.getCode(), nVLAPALS100::kStatusNotSupported);
  EXPECT_EQ(none.dequeueInterrupt(), 0u);
  none.acknowledgeInterrupts();  // nothing to hand over

  tStatus noMapping;
  sim::PageLists::kernelMappingFaults().failNth(1, 0);
  auto unmapped = make(noMapping);
  EXPECT_EQ(noMapping.getCode(), nVLAPALS100::kStatusOutOfMemory);
  tStatus refused;
  sim::ScatterGather::mappingFaults().failNth(1, -51009);
  auto unmappable = make(refused);
  EXPECT_EQ(refused.getCode(), nVLAPALS100::kStatusInvalidParameter);
  EXPECT_FALSE(unmappable->isActive());
  unmapped.reset();
  unmappable.reset();
  EXPECT_EQ(sim::PageLists::count(), 0u);
}

}  // namespace
