// Bridge window 0 of the board model: BAR 0 accesses inside the window
// reach the NOR flash at the page the select register names; moving or
// closing the window through its base register takes effect at once.
#include <gtest/gtest.h>

#include "driver/platform/zuk/ZukRegisters.h"
#include "sim/board/Board.h"

namespace {

using sim::Bridge;

class FlashWindow : public testing::Test {
 protected:
  volatile uint8_t* at(uint64_t offset) { return board.bar0().data() + offset; }
  uint32_t read(uint64_t offset) { return nVLZUK100_memoryRead32(at(offset)); }
  void write(uint64_t offset, uint32_t value) { nVLZUK100_memoryWrite32(at(offset), value); }
  sim::Board board;
};

TEST_F(FlashWindow, SelectRegisterPagesThroughTheWholePartInWholeWindows) {
  board.flash().load32(0x7F0010, 0x11223344);
  write(Bridge::kFlashWindowPage, 0x7F0000);
  EXPECT_EQ(read(Bridge::kFlashWindowOffset + 0x10), 0x11223344u);
  EXPECT_EQ(board.bridge().flashWindow().targetAddress(Bridge::kFlashWindowOffset + 0xFFFC), 0x7FFFFCu);
  write(Bridge::kFlashWindowPage, 0x7F00FF);
  EXPECT_EQ(read(Bridge::kFlashWindowOffset + 0x10), 0x11223344u) << "page bits below the window size are not decoded";
}

TEST_F(FlashWindow, FlashCommandsPassThroughTheWindow) {
  const uint64_t window = Bridge::kFlashWindowOffset;
  write(Bridge::kFlashWindowPage, 0x200000);
  nVLZUK100_memoryWrite16(at(window + 0xAAA), 0xAA);  // command addresses are absolute: page 0
  EXPECT_EQ(board.flash().programs(), 0u);
  write(Bridge::kFlashWindowPage, 0);
  nVLZUK100_memoryWrite16(at(window + 0xAAA), 0xAA);
  nVLZUK100_memoryWrite16(at(window + 0x554), 0x55);
  nVLZUK100_memoryWrite16(at(window + 0xAAA), 0xA0);
  write(Bridge::kFlashWindowPage, 0x200000);
  nVLZUK100_memoryWrite16(at(window + 0x10), 0x1234);
  EXPECT_EQ(board.flash().programs(), 1u);
  EXPECT_EQ(board.flash().peek32(0x200010) & 0xFFFF, 0x1234u);
}

TEST_F(FlashWindow, ClosedOrMovedWindowLeavesPlainMemoryBehind) {
  board.flash().load32(0, 0x01020304);
  board.flash().load32(0x1000, 0xA5A5A5A5);
  write(Bridge::kFlashWindowBase, Bridge::kFlashWindowReset & ~0x80u);
  EXPECT_EQ(read(Bridge::kFlashWindowOffset), 0u);
  write(Bridge::kFlashWindowOffset, 0x55);
  EXPECT_EQ(board.flash().programs(), 0u);
  EXPECT_EQ(board.flash().peek32(0), 0x01020304u);

  write(Bridge::kFlashWindowBase, 0x00060000 | 0x80 | 12);  // 4 KiB at 0x60000
  EXPECT_EQ(read(0x60000), 0x01020304u);
  write(Bridge::kFlashWindowPage, 0x1000);
  EXPECT_EQ(read(0x60000), 0xA5A5A5A5u);
  EXPECT_EQ(read(0x61000), 0u) << "past the 4 KiB window";
  EXPECT_EQ(read(Bridge::kFlashWindowOffset), 0x55u) << "the old place is plain memory again";
}

TEST(BridgeGeographicAddress, IsAReadOnlyWord) {
  sim::BoardOptions options;
  options.geographicSlot = 17;
  sim::Board slotted(options);
  volatile uint8_t* word = slotted.bar0().data() + Bridge::kGeographicAddress;
  nVLZUK100_memoryWrite32(word, 0);
  EXPECT_EQ(nVLZUK100_memoryRead32(word), 17u << Bridge::kGeographicAddressShift);
}

}  // namespace
