// A DMA channel's register block as the driver drives it, checked on the
// board model's bus traffic and channel state. The count interrupt and the
// byte count are the whole transfers' business.
#include <gtest/gtest.h>

#include "driver/platform/wexel/tWexelDMAChannel.h"
#include "sim/board/Board.h"

namespace {

using nVLAPAL000::tWexelDMAChannel;
using nVLAPALS100::tStatus;
using sim::BusAccess;
using Kind = sim::BusAccess::Kind;

class WexelDMAChannel : public testing::Test {
 protected:
  WexelDMAChannel() { board.bar0().startRecording(); }
  tStatus status;
  volatile uint8_t* bridge() { return board.bar0().data(); }
  uint64_t blockOf(uint32_t index) { return sim::Bridge::kChannelsOffset + index * 0x100; }

  sim::Board board;
};

TEST_F(WexelDMAChannel, BlockLiesAtTheFirstChannelOffsetPlusIndexTimesTheStride) {
  tWexelDMAChannel channel(bridge(), 3, status);
  EXPECT_EQ(channel.getBase(), bridge() + 0x1300);
  EXPECT_EQ(channel.getBlockSize(), 256u);
  // Other chips place their banks elsewhere and space them differently.
  board.bridge().core().setReadable(0x0C, 4, 0x00370000);
  board.bridge().core().setReadable(0x1C, 4, 0x8000);
  tWexelDMAChannel spaced(bridge(), 5, status);
  EXPECT_EQ(spaced.getBase(), bridge() + 0x8000 + 5 * 128);
  EXPECT_EQ(spaced.getBlockSize(), 128u);
  EXPECT_TRUE(status.isNotFatal());
}

TEST_F(WexelDMAChannel, ConstructionResetsTheChannelAndLeavesItEnabled) {
  tWexelDMAChannel channel(bridge(), 2, status);
  const uint64_t block = blockOf(2);
  const std::vector<BusAccess> expected = {
      {Kind::Read, 0x0C, 4, 0x00289000}, {Kind::Read, 0x1C, 4, 0x1000},     {Kind::Write, block + 0x54, 4, 1},
      {Kind::Write, block + 0x58, 4, 2}, {Kind::Write, block + 0x54, 4, 2},
  };
  EXPECT_EQ(board.bar0().traffic(), expected);
  EXPECT_FALSE(channel.isRunning());
  EXPECT_EQ(channel.getInterruptEnables(), 0u);
  // A known base and size skip the lookup; a failed status skips everything.
  board.bar0().startRecording();
  tWexelDMAChannel known(bridge() + block, 256, 2, status);
  EXPECT_EQ(board.bar0().traffic().size(), 3u);
  tStatus failed;
  failed.setCode(-52000, VL_SITE);
  tWexelDMAChannel skipped(bridge(), 2, failed);
  EXPECT_EQ(skipped.getBase(), nullptr);
  EXPECT_EQ(board.bar0().traffic().size(), 3u);
}

TEST_F(WexelDMAChannel, InterruptEnablesAreReadModifyWrittenOnlyWhenTheyChange) {
  tWexelDMAChannel channel(bridge(), 0, status);
  const uint64_t control = blockOf(0) + 0x54;
  board.bar0().startRecording();
  channel.setInterruptEnables(0x04008000);
  channel.setInterruptEnables(0x04008000);
  channel.setInterruptEnables(0x02000000);
  const std::vector<BusAccess> expected = {
      {Kind::Read, control, 4, 2},
      {Kind::Write, control, 4, 0x04008002},
      {Kind::Read, control, 4, 0x04008002},
      {Kind::Write, control, 4, 0x02000002},
  };
  EXPECT_EQ(board.bar0().traffic(), expected);
  EXPECT_EQ(channel.getInterruptEnables(), 0x02000000u);
  channel.reactivate();  // forgets the cached enables
  board.bar0().startRecording();
  channel.setInterruptEnables(0x02000000);
  EXPECT_EQ(board.bar0().writeCount(), 1u);
}

TEST_F(WexelDMAChannel, StartStoresTheLinkAddressPlainlyAndWritesSizeAndOperation) {
  tWexelDMAChannel channel(bridge(), 1, status);
  const uint64_t block = blockOf(1);
  for (const auto& [mode, operation] : {std::pair<bool, uint32_t>{false, 1}, {true, 5}}) {
    board.bar0().startRecording();
    channel.startWithLink(nVLAPAL000::tWexelSGLFirstLink{0x123456789000ull, 0x200}, mode);
    EXPECT_EQ(board.bar0().peek64(block + 0x48), 0x123456789000ull);
    const std::vector<BusAccess> expected = {{Kind::Write, block + 0x50, 4, 0x200},
                                             {Kind::Write, block + 0x58, 4, operation}};
    EXPECT_EQ(board.bar0().traffic(), expected);
    EXPECT_TRUE(channel.isRunning());
  }
}

TEST_F(WexelDMAChannel, StopStatusBitsEndTheRunningState) {
  tWexelDMAChannel channel(bridge(), 0, status);
  for (uint32_t bit : {1u << 15, 1u << 26, 1u << 27}) {
    channel.startWithLink(nVLAPAL000::tWexelSGLFirstLink{0, 16}, false);
    channel.handleInterrupt(0x10000000 | 1u << 25 | 1u << 14);
    EXPECT_TRUE(channel.isRunning());
    channel.handleInterrupt(bit);
    EXPECT_FALSE(channel.isRunning()) << bit;
  }
  board.bar0().startRecording();
  channel.deactivate();
  EXPECT_EQ(board.bar0().traffic(), (std::vector<BusAccess>{{Kind::Write, blockOf(0) + 0x58, 4, 2}}));
}

TEST_F(WexelDMAChannel, OptionsWriteTheRegistersTheirFlagsName) {
  tWexelDMAChannel channel(bridge(), 0, status);
  const uint64_t block = blockOf(0);
  board.bar0().startRecording();
  channel.setOptions(0x00C40800, 0x11, 0x2222, 0x33, 0x4444);
  EXPECT_EQ(board.bar0().peek64(block + 0x20), 0x2222u);
  EXPECT_EQ(board.bar0().peek64(block + 0x28), 0x4444u);
  const std::vector<BusAccess> expected = {
      {Kind::Read, block + 0x54, 4, 2},
      {Kind::Write, block + 0x30, 4, 0x11},
      {Kind::Write, block + 0x34, 4, 0x33},
      {Kind::Write, block + 0x54, 4, 0x00C40802},
  };
  EXPECT_EQ(board.bar0().traffic(), expected);
  board.bar0().startRecording();
  channel.setOptions(0x00000800, 0x11, 0x2222, 0x33, 0x4444);  // nothing but the control word
  EXPECT_EQ(board.bar0().writeCount(), 1u);
}

}  // namespace
