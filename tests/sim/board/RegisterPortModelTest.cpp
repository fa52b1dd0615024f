// The board's register port block as the bus sees it, where the driver's
// port tests cannot reach: one block at both of its addresses, the reset
// and what it reaches, and a queue that overflows.
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

}  // namespace
