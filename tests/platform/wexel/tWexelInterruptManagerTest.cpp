// The bridge's plain interrupt manager (shared line and message-signalled)
// over the board model's interrupt logic.
#include <gtest/gtest.h>

#include "driver/platform/wexel/tWexelInterruptManager.h"
#include "sim/board/Board.h"

namespace {

using nVLAPAL000::tWexelInterruptManager;
using sim::BusAccess;
using sim::InterruptController;
using Kind = sim::BusAccess::Kind;

class WexelInterruptManager : public testing::Test {
 protected:
  void SetUp() override {
    board.bar0().startRecording();
    board.bridge().interrupts().setLine([this] { ++raised; });
  }
  volatile uint8_t* bridge() { return board.bar0().data(); }
  std::vector<uint32_t> controlWrites() {
    std::vector<uint32_t> values;
    for (const BusAccess& access : board.bar0().traffic()) {
      if (access.kind == Kind::Write && access.offset == 0x5C) values.push_back(access.value);
    }
    return values;
  }

  sim::Board board;
  int raised = 0;
};

TEST_F(WexelInterruptManager, ConstructionResetsTheControlAndDestructionMasksTheOutput) {
  {
    tWexelInterruptManager manager(bridge(), false);
    EXPECT_EQ(controlWrites(), (std::vector<uint32_t>{0x54000500}));
    manager.deactivate();
    manager.reactivate();
  }
  EXPECT_EQ(controlWrites(), (std::vector<uint32_t>{0x54000500, 0x40000000, 0x54000500, 0x40000000}));
  EXPECT_FALSE(board.bridge().interrupts().outputEnabled());
  EXPECT_EQ(board.bridge().interrupts().sourceEnables(), 0u);
}

struct EnablesCase {
  uint32_t mask;
  uint32_t word;
  uint32_t sources;
};

class WexelInterruptEnables : public WexelInterruptManager, public testing::WithParamInterface<EnablesCase> {};

TEST_P(WexelInterruptEnables, MaskBecomesOneControlWord) {
  tWexelInterruptManager manager(bridge(), false);
  board.bar0().startRecording();
  manager.setInterruptEnables(GetParam().mask);
  EXPECT_EQ(board.bar0().traffic(), (std::vector<BusAccess>{{Kind::Write, 0x5C, 4, GetParam().word}}));
  EXPECT_EQ(board.bridge().interrupts().sourceEnables(), GetParam().sources);
  EXPECT_EQ(board.bridge().interrupts().outputEnabled(), GetParam().mask != 0);
}

INSTANTIATE_TEST_SUITE_P(
    Masks, WexelInterruptEnables,
    testing::Values(EnablesCase{0, 0x54000500, 0}, EnablesCase{0x200, 0x94000600, InterruptController::kSourceIrq},
                    EnablesCase{0x03000A00, 0xA8000A00,
                                InterruptController::kSourceIrq | InterruptController::kSourceShutdown |
                                    InterruptController::kSource24 | InterruptController::kSource25},
                    EnablesCase{0x10000000, 0x94000500, 0},
                    EnablesCase{0x800, 0x94000900, InterruptController::kSourceShutdown}));

TEST_F(WexelInterruptManager, SharedLineIsClaimedOnlyWhenTheBridgeAssertsIt) {
  tWexelInterruptManager manager(bridge(), false);
  manager.setInterruptEnables(0x200);
  board.bar0().startRecording();
  EXPECT_EQ(manager.recognizeInterrupt(), 0);  // someone else's
  EXPECT_EQ(board.bar0().writeCount(), 0u);

  board.bridge().interrupts().raiseSource(InterruptController::kSourceShutdown);  // not enabled: dropped
  EXPECT_EQ(raised, 0);
  board.bridge().interrupts().raiseSource(InterruptController::kSourceIrq);
  board.bridge().interrupts().post(0x10000000 | 1u << 15 | 3);
  EXPECT_EQ(raised, 1);
  EXPECT_EQ(manager.recognizeInterrupt(), 1);
  EXPECT_FALSE(board.bridge().interrupts().outputEnabled());
  // A word that another follows carries bit 30.
  EXPECT_EQ(manager.dequeueInterrupt(), InterruptController::kMore | InterruptController::kSourceIrq);
  board.bridge().interrupts().raiseSource(InterruptController::kSourceIrq);  // while masked: waits
  EXPECT_EQ(manager.dequeueInterrupt(), InterruptController::kMore | 0x10008003u);
  EXPECT_EQ(manager.dequeueInterrupt(), InterruptController::kSourceIrq);
  EXPECT_EQ(manager.dequeueInterrupt(), 0u);
  EXPECT_EQ(raised, 1);
  board.bridge().interrupts().raiseSource(InterruptController::kSourceIrq);
  manager.acknowledgeInterrupts();  // output on with a word waiting: asserted again
  EXPECT_EQ(raised, 2);
  EXPECT_EQ(controlWrites(), (std::vector<uint32_t>{0x40000000, 0x80000000}));
}

TEST_F(WexelInterruptManager, MessageSignalledInterruptsAreAlwaysOursAndNeedNoReEnabling) {
  tWexelInterruptManager manager(bridge(), true);
  manager.setInterruptEnables(0x200);
  board.bar0().startRecording();
  EXPECT_EQ(manager.recognizeInterrupt(), 1);
  manager.acknowledgeInterrupts();
  EXPECT_TRUE(board.bar0().traffic().empty());
}

TEST_F(WexelInterruptManager, DeviceThatReadsAllOnesIsNotClaimedAndHasNothingQueued) {
  tWexelInterruptManager manager(bridge(), false);
  manager.setInterruptEnables(0x200);
  board.bridge().interrupts().raiseSource(InterruptController::kSourceIrq);
  board.bar0().setRemoved(true);
  EXPECT_EQ(manager.recognizeInterrupt(), 0);
  EXPECT_EQ(manager.dequeueInterrupt(), 0u);
  board.bar0().setRemoved(false);
  EXPECT_EQ(manager.recognizeInterrupt(), 1);
}

}  // namespace
