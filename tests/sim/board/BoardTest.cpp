// The board model's BAR 0 claim on the simulated kernel layer's register
// calls: what lies outside it, and what a board leaves behind when it goes.
#include <gtest/gtest.h>

#include "driver/platform/zuk/ZukRegisters.h"
#include "sim/board/Board.h"
#include "sim/kernel/Registers.h"

namespace {

TEST(BoardBar0, AccessesOutsideEveryClaimedRangeTouchPlainMemoryAndAreCounted) {
  sim::Board board;
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
