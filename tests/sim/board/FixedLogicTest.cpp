// The board model's fixed-logic window as the kernel layer's register calls
// reach it: what status words report after the driver's writes, what
// read-only registers do with writes, and strobes.
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

TEST_F(FixedLogicWindow, ReadOnlyRegistersKeepTheirValueWhenWritten) {
  EXPECT_EQ(read(0x000), FixedLogic::kBoardSignature);
  write(0x000, 0);
  EXPECT_EQ(read(0x000), FixedLogic::kBoardSignature);
  // The routing block is the register port: its signature is read-only, the
  // word at 0x0C reads back what was written.
  write(0x18000, 1);
  EXPECT_EQ(read(0x18000), sim::RegisterPortModel::kDefaultSignature);
  write(0x1800C, 0xABCD);
  EXPECT_EQ(read(0x1800C), 0xABCDu);
}

TEST_F(FixedLogicWindow, LoCardReportsGoodOnlyWithEveryRailEnabled) {
  EXPECT_EQ(read(0x1004), 0x33333u) << "power-on state";
  write(0x1004, 0x22226);  // one rail enabled
  EXPECT_EQ(read(0x1004), 0x2222Eu);
  EXPECT_NE(read(0x1004) & 0x8888888u, 0x8888888u);
  write(0x1004, 0x66666);  // all five
  EXPECT_EQ(read(0x1004) & 0x8888888u, 0x8888888u);
  EXPECT_EQ(model.registers().written(0x1004, 4), 0x66666u);
}

TEST_F(FixedLogicWindow, RefCardAndSubsystemStatusFollowTheirControls) {
  EXPECT_EQ(read(0x1000), 0x333u);
  write(0x1000, 0x4762);
  EXPECT_EQ(read(0x1000), 0x4F62u);
  write(0x1008, 0xFF);
  write(0x100C, 0xFF);
  EXPECT_EQ(read(0x1008), 0x7u);
  EXPECT_EQ(read(0x100C), 0x1Fu);
}

TEST_F(FixedLogicWindow, StrobesClearThemselvesAndAreCounted) {
  for (int i = 0; i < 3; ++i) write(0x2124, 0x11);  // LO0 mutex, bit 4
  EXPECT_EQ(read(0x2124), 0x1u);
  EXPECT_EQ(model.strobePulses(0x2124, 4), 3u);
  EXPECT_EQ(model.strobePulses(0x2024, 4), 0u);
  write(0x1030, 0x80000100);
  EXPECT_EQ(model.registers().written(0x1030, 4), 0u);
  EXPECT_EQ(model.strobePulses(0x1030, 8), 1u);
  EXPECT_EQ(model.strobePulses(0x1030, 31), 1u);
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

TEST_F(FixedLogicWindow, OverTemperatureShowsInThermalStatus) {
  EXPECT_EQ(read(0x218) & FixedLogic::kOverTemperature, 0u);
  model.setOverTemperature(true);
  EXPECT_EQ(read(0x218) & FixedLogic::kOverTemperature, FixedLogic::kOverTemperature);
  write(0x218, 0);
  EXPECT_EQ(read(0x218) & FixedLogic::kOverTemperature, FixedLogic::kOverTemperature);
  model.setOverTemperature(false);
  EXPECT_EQ(read(0x218), 0u);
}

}  // namespace
