// The board model's BAR 0 as the driver's register calls and plain loads
// see it.
#include <gtest/gtest.h>

#include "driver/platform/zuk/ZukRegisters.h"
#include "sim/board/Board.h"
#include "sim/kernel/Registers.h"

namespace {

using sim::BusAccess;

class BoardBar0 : public testing::Test {
 protected:
  volatile uint8_t* at(uint64_t offset) { return board.bar0().data() + offset; }
  sim::Board board;
};

TEST_F(BoardBar0, RegisterCallsAreBusAccessesOfTheirWidth) {
  nVLZUK100_memoryWrite32(at(0x74), 0x12345678u);
  nVLZUK100_memoryWrite8(at(0x89), 0xA5);
  nVLZUK100_memoryWrite16(at(0x400), 0xBEEF);
  EXPECT_EQ(nVLZUK100_memoryRead32(at(0x74)), 0x12345678u);
  EXPECT_EQ(nVLZUK100_memoryRead8(at(0x89)), 0xA5);
  EXPECT_EQ(nVLZUK100_memoryRead16(at(0x400)), 0xBEEF);

  const std::vector<BusAccess> expected = {
      {BusAccess::Kind::Write, 0x74, 4, 0x12345678u}, {BusAccess::Kind::Write, 0x89, 1, 0xA5},
      {BusAccess::Kind::Write, 0x400, 2, 0xBEEF},     {BusAccess::Kind::Read, 0x74, 4, 0x12345678u},
      {BusAccess::Kind::Read, 0x89, 1, 0xA5},         {BusAccess::Kind::Read, 0x400, 2, 0xBEEF},
  };
  EXPECT_EQ(board.bar0().traffic(), expected);
  EXPECT_EQ(board.bar0().writeCount(), 3u);
  EXPECT_EQ(board.bar0().readCount(), 3u);
  EXPECT_EQ(sim::Registers::unclaimedAccesses(), 0u);
}

TEST_F(BoardBar0, ControlWrittenWhereStatusIsReadKeepsBothValues) {
  sim::Bridge& bridge = board.bridge();
  bridge.core().setReadable(sim::Bridge::kCoreControlStatus, 4, 2);
  nVLZUK100_memoryWrite32(at(sim::Bridge::kCoreControlStatus), 1);
  EXPECT_EQ(bridge.core().written(sim::Bridge::kCoreControlStatus, 4), 1u);
  EXPECT_EQ(nVLZUK100_memoryRead32(at(sim::Bridge::kCoreControlStatus)), 2u);

  const uint64_t stateMachine = sim::Bridge::kConfigStateMachineControlStatus;
  bridge.configPort().setReadable(stateMachine - sim::Bridge::kConfigPortOffset, 4, 0x1);
  nVLZUK100_memoryWrite32(at(stateMachine), 0x18);
  EXPECT_EQ(bridge.configPort().written(stateMachine - sim::Bridge::kConfigPortOffset, 4), 0x18u);
  EXPECT_EQ(nVLZUK100_memoryRead32(at(stateMachine)), 0x1u);
}

TEST_F(BoardBar0, PlainRegistersReadBackWhatWasWritten) {
  nVLZUK100_memoryWrite32(at(0xC0), 0x00080092);
  EXPECT_EQ(board.bridge().core().written(0xC0, 4), 0x00080092u);
  EXPECT_EQ(board.bridge().core().readable(0xC0, 4), 0x00080092u);
}

TEST_F(BoardBar0, PlainLoadsAndStoresBypassTheBus) {
  *reinterpret_cast<volatile uint64_t*>(at(0x80000)) = 0x0123456789ABCDEFull;
  EXPECT_EQ(board.bar0().peek64(0x80000), 0x0123456789ABCDEFull);
  EXPECT_EQ(nVLZUK100_memoryRead32(at(0x80004)), 0x01234567u);
  EXPECT_EQ(board.bar0().writeCount(), 0u);
  EXPECT_EQ(board.bar0().readCount(), 1u);
}

TEST_F(BoardBar0, AccessesOutsideEveryClaimedRangeTouchPlainMemory) {
  uint32_t word = 0;
  nVLZUK100_memoryWrite32(&word, 7);
  EXPECT_EQ(nVLZUK100_memoryRead32(&word), 7u);
  EXPECT_EQ(word, 7u);
  EXPECT_EQ(sim::Registers::unclaimedAccesses(), 2u);
  EXPECT_TRUE(board.bar0().traffic().empty());
}

// A later board may get the same memory: the first one's claim must be
// gone, or its accesses would reach a dead model.
TEST(BoardLifetime, ABoardGoneReleasesItsRange) {
  { sim::Board board; }
  sim::Board other;
  nVLZUK100_memoryWrite32(other.bar0().data() + 0x10, 2);
  EXPECT_EQ(other.bar0().writeCount(), 1u);
  EXPECT_EQ(sim::Registers::unclaimedAccesses(), 0u);
}

}  // namespace
