// The bridge's read-only head: a block write from user mode once changed
// the words that describe the DMA channels, and the next bring-up found
// channels that were never there.
#include <gtest/gtest.h>

#include "sim/board/Board.h"

namespace {

TEST(Bridge, WritesLeaveTheReadOnlyCoreWordsAsStrapped) {
  sim::Board board;
  for (uint64_t offset = 0; offset <= 0x1C; offset += 4) {
    const uint32_t strapped = board.bar0().mmioRead(offset, 4);
    board.bar0().mmioWrite(offset, 4, ~strapped);
    EXPECT_EQ(board.bar0().mmioRead(offset, 4), strapped) << "offset " << offset;
  }
  EXPECT_EQ(board.bar0().mmioRead(0x0C, 4), 0x00289000u);
}

}  // namespace
