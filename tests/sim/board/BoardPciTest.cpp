// The board as a PCI function, where the PCI device's whole-road tests do
// not look: BAR sizing, the factory flash beyond the capability list, and
// a board unplugged.
#include <gtest/gtest.h>

#include "driver/platform/zuk/ZukPci.h"
#include "sim/board/Board.h"

namespace {

using sim::Board;
using sim::BoardOptions;
using sim::FlashLayout;
using sim::PciConfigSpace;

uint32_t config32(const Board& board, uint32_t offset) {
  uint32_t value = 0;
  EXPECT_EQ(nVLZUK100_pciConfigRead32(board.pciHandle(), offset, &value), 0);
  return value;
}

TEST(BoardPci, BarSizingReadsBackTheSizeMask) {
  BoardOptions options;
  options.barSizes = {0x100000, 0x10000};
  Board board(options);
  const uint64_t handle = board.pciHandle();
  ASSERT_EQ(nVLZUK100_pciConfigWrite32(handle, PciConfigSpace::kBars + 4, 0xFFFFFFFFu), 0);
  EXPECT_EQ(config32(board, PciConfigSpace::kBars + 4), 0xFFFF0000u);
  ASSERT_EQ(nVLZUK100_pciConfigWrite32(handle, PciConfigSpace::kBars, 0xFFFFFFFFu), 0);
  EXPECT_EQ(config32(board, PciConfigSpace::kBars), 0xFFF00000u);
  ASSERT_EQ(nVLZUK100_pciConfigWrite16(handle, PciConfigSpace::kVendorId, 0x1234), 0);
  EXPECT_EQ(config32(board, PciConfigSpace::kVendorId) & 0xFFFF, 0x1E7Bu) << "the identity is read-only";
}

// The capability readers' tests read the directory and the list; the
// rest of the factory contents is the model's own.
TEST(BoardPci, FactoryFlashHoldsThePoscRecordAndAnErasedPartitionStore) {
  Board board;
  const std::vector<uint8_t> posc = board.flash().contents(FlashLayout::kPoscCopy1 + FlashLayout::kPoscSubsystemId, 2);
  EXPECT_EQ(posc, (std::vector<uint8_t>{0x31, 0x5B}));
  EXPECT_EQ(board.flash().peek32(FlashLayout::kPartitionStore), 0xFFFFFFFFu);
}

TEST(BoardPci, UnpluggedBoardIsGoneFromTheBus) {
  uint64_t handle = 0;
  uint64_t physical = 0;
  {
    Board board;
    handle = board.pciHandle();
    physical = board.barPhysicalAddress(0);
  }
  uint32_t value = 0;
  EXPECT_NE(nVLZUK100_pciConfigRead32(handle, 0, &value), 0);
  EXPECT_EQ(nVLZUK230_mapPhysicalToKernel(physical, 0x1000, 0), nullptr);
}

}  // namespace
