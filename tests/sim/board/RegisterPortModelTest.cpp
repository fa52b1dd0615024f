// The board's register port block as the bus sees it: one block at both of
// its addresses, instruction words, queue, status and reset timing.
#include <gtest/gtest.h>

#include "driver/platform/zuk/ZukRegisters.h"
#include "sim/board/Board.h"
#include "sim/board/RegisterPortModel.h"
#include "sim/kernel/Clock.h"

namespace {

using Port = sim::RegisterPortModel;

class RegisterPortModelOnBus : public testing::Test {
 protected:
  void SetUp() override { port.attachSubsystem(2, echo); }

  uint32_t read(uint64_t offset) { return nVLZUK100_memoryRead32(board.bar0().data() + Port::kBarOffset + offset); }
  void write(uint64_t offset, uint32_t value) {
    nVLZUK100_memoryWrite32(board.bar0().data() + Port::kBarOffset + offset, value);
  }

  // Answers a read with its address, accepts every write.
  class Echo : public sim::SubsystemModel {
   public:
    Result read(uint32_t address) override { return Result::success(address, false); }
    Result write(uint32_t, uint64_t) override { return Result::success(); }
    void reset() override { ++resets; }
    int resets = 0;
  };

  sim::Board board;
  Port& port = board.registerPort();
  Echo echo;
};

TEST_F(RegisterPortModelOnBus, TheRoutingRegistersOfTheFixedLogicWindowAreThePort) {
  uint8_t* fixedLogic = board.bar0().data() + sim::FixedLogic::kBarOffset;
  uint8_t* routing = fixedLogic + sim::FixedLogic::kRouting;
  EXPECT_EQ(routing, board.bar0().data() + Port::kBarOffset);
  EXPECT_EQ(nVLZUK100_memoryRead32(routing + Port::kSignature), Port::kDefaultSignature);
  nVLZUK100_memoryWrite32(routing + Port::kScratch, 0x5A5A);
  EXPECT_EQ(port.scratch(), 0x5A5Au);
  EXPECT_EQ(board.fixedLogic().registers().written(sim::FixedLogic::kRouting + Port::kScratch, 4), 0u);

  // The rest of the window stays the fixed logic's.
  EXPECT_EQ(nVLZUK100_memoryRead32(fixedLogic), sim::FixedLogic::kBoardSignature);
  nVLZUK100_memoryWrite32(routing - 4, 7);
  EXPECT_EQ(board.fixedLogic().registers().written(sim::FixedLogic::kRouting - 4, 4), 7u);
}

TEST_F(RegisterPortModelOnBus, WordDQueuesTheInstructionAndClearsTheExtensionWords) {
  write(Port::kWordA, 0x0FEDC890);
  write(Port::kWordB, 0x0BA98AB0);
  write(Port::kWordC, 0x07654CD0);
  EXPECT_EQ(port.extensionWords(), (std::array<uint32_t, 3>{0x0FEDC890, 0x0BA98AB0, 0x07654CD0}));
  write(Port::kWordD, 0x23210EF2);
  EXPECT_EQ(port.extensionWords(), (std::array<uint32_t, 3>{0, 0, 0}));
  write(Port::kWordD, 0x10000402);
  EXPECT_EQ(port.executed(), (std::vector<Port::Instruction>{{2, 0x89ABCDEF, 0xFEDCBA9876543210, false, true},
                                                             {2, 0x40, 0, true, false}}));
  EXPECT_EQ(read(Port::kStatus), Port::kStatusDone);
  EXPECT_EQ(read(Port::kReadDataLow), 0x40u);
  EXPECT_EQ(read(Port::kWordD), 0u);  // write-only
}

TEST_F(RegisterPortModelOnBus, InstructionsCompleteInOrderAfterTheirLatency) {
  port.setInstructionLatencyNs(1000);
  port.setFifoDepth(4);
  write(Port::kWordD, 0x10000012);
  write(Port::kWordD, 0x10000022);
  EXPECT_EQ(read(Port::kFreeSlots), 2u);
  EXPECT_EQ(read(Port::kStatus), 0u);
  sim::Clock::instance().advanceNs(1000);
  EXPECT_EQ(read(Port::kStatus), 0u);  // the second is still running
  EXPECT_EQ(port.executed().size(), 1u);
  sim::Clock::instance().advanceNs(1000);
  EXPECT_EQ(read(Port::kStatus), Port::kStatusDone);
  EXPECT_EQ(read(Port::kReadDataLow), 0x2u);
  EXPECT_EQ(read(Port::kFreeSlots), 4u);
}

TEST_F(RegisterPortModelOnBus, AResetIsBusyForItsDuration) {
  port.setResetDurationNs(10'000);
  write(Port::kControl, Port::kControlReset);
  EXPECT_EQ(read(Port::kControl), Port::kControlBusy);
  sim::Clock::instance().advanceNs(9'999);
  EXPECT_EQ(read(Port::kControl), Port::kControlBusy);
  sim::Clock::instance().advanceNs(1);
  EXPECT_EQ(read(Port::kControl), 0u);
  EXPECT_EQ(port.resets(), 1u);
  EXPECT_EQ(echo.resets, 1);
  write(Port::kControl, Port::kControlBusy);  // only bit 0 starts a reset
  EXPECT_EQ(port.resets(), 1u);
}

TEST_F(RegisterPortModelOnBus, AFailureDropsTheQueueUntilReset) {
  port.setStalled(true);
  write(Port::kWordD, 0x12);
  write(Port::kWordD, 0x22);
  port.failNextInstructions(static_cast<uint32_t>(-52010));
  port.setStalled(false);
  EXPECT_EQ(read(Port::kStatus), Port::kStatusError);
  EXPECT_EQ(read(Port::kReadDataLow), static_cast<uint32_t>(-52010));
  EXPECT_EQ(port.executed().size(), 1u);
  EXPECT_EQ(port.queued(), 0u);
  write(Port::kWordD, 0x32);
  EXPECT_EQ(port.executed().size(), 1u);

  write(Port::kControl, Port::kControlReset);
  sim::Clock::instance().advanceNs(Port::kDefaultResetDurationNs);
  EXPECT_EQ(read(Port::kStatus), 0u);
  write(Port::kWordD, 0x42);
  EXPECT_EQ(read(Port::kStatus), Port::kStatusDone);
  EXPECT_EQ(port.executed().back().address, 4u);
}

TEST_F(RegisterPortModelOnBus, AnOverflowingQueueRaisesTheFaultUntilReset) {
  port.setFifoDepth(1);
  port.setStalled(true);
  write(Port::kWordD, 0x12);
  EXPECT_EQ(read(Port::kFreeSlots), 0u);
  write(Port::kWordD, 0x22);
  EXPECT_EQ(read(Port::kStatus), Port::kStatusFault);
  EXPECT_EQ(port.queued(), 1u);
  write(Port::kControl, Port::kControlReset);
  EXPECT_EQ(read(Port::kStatus), 0u);
  EXPECT_EQ(read(Port::kFreeSlots), 1u);
}

TEST_F(RegisterPortModelOnBus, AnInstructionToNoSubsystemFails) {
  write(Port::kWordD, 0x17);
  EXPECT_EQ(read(Port::kStatus), Port::kStatusError);
  EXPECT_EQ(read(Port::kReadDataLow), sim::SubsystemModel::kNoSuchRegister);
}

}  // namespace
