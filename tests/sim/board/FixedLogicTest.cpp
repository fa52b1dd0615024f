// The board model's fixed-logic window as the kernel layer's register calls
// reach it: what status words report after the driver's writes and what
// read-only registers do with writes. The maps' own tests cover strobes,
// thermal status and the reference CPLD's link.
#include <gtest/gtest.h>

#include "driver/platform/zuk/ZukRegisters.h"
#include "sim/board/Board.h"

namespace {

using sim::FixedLogic;

class FixedLogicWindow : public testing::Test {
 protected:
  volatile uint8_t* at(uint64_t offset) { return board.bar0().data() + FixedLogic::kBarOffset + offset; }
  uint32_t read(uint64_t offset) { return nVLZUK100_memoryRead32(at(offset)); }
  void write(uint64_t offset, uint32_t value) { nVLZUK100_memoryWrite32(at(offset), value); }

  sim::Board board;
  FixedLogic& model = board.fixedLogic();
};

TEST_F(FixedLogicWindow, TheBoardSignatureKeepsItsValueWhenWritten) {
  write(0x000, 0);
  EXPECT_EQ(read(0x000), FixedLogic::kBoardSignature);
}

TEST_F(FixedLogicWindow, PowerAndSubsystemStatusFollowTheirControls) {
  EXPECT_EQ(read(0x1004), 0x33333u) << "power-on state";
  write(0x1004, 0x22226);  // one rail enabled
  EXPECT_EQ(read(0x1004), 0x2222Eu);
  write(0x1004, 0x66666);  // all five: every rail reports good
  EXPECT_EQ(read(0x1004) & 0x8888888u, 0x8888888u);
  EXPECT_EQ(model.registers().written(0x1004, 4), 0x66666u);
  write(0x1000, 0x4762);
  EXPECT_EQ(read(0x1000), 0x4F62u);
  write(0x1008, 0xFF);
  write(0x100C, 0xFF);
  EXPECT_EQ(read(0x1008), 0x7u);
  EXPECT_EQ(read(0x100C), 0x1Fu);
}

TEST_F(FixedLogicWindow, EachCpldLinkComesUpOnItsOwnEndpoint) {
  write(0x2208, 0x105);  // LO1
  EXPECT_TRUE(model.cpldLinkUp(2));
  EXPECT_FALSE(model.cpldLinkUp(0));
  EXPECT_EQ(read(0x2208) & FixedLogic::kAuxLinkUp, FixedLogic::kAuxLinkUp);
  write(0x2208, 0x0);
  EXPECT_FALSE(model.cpldLinkUp(2));
  write(0x2200, 0x3);
  EXPECT_EQ(read(0x2200), 0x1u);
  EXPECT_EQ(model.registers().written(0x2200, 4), 0x3u);
}

}  // namespace
