// The board's access logs keep only their last entries, so that a long run
// stays bounded; a test that reads a log after it dropped entries would
// check a part of the traffic and pass, so that read stops the process.
#include <gtest/gtest.h>

#include <vector>

#include "sim/board/Bar.h"
#include "sim/board/FixedLogic.h"
#include "sim/board/InstructionBlockModel.h"
#include "sim/board/RegisterPortModel.h"

namespace {

using Block = sim::InstructionBlockModel;
using Port = sim::RegisterPortModel;

TEST(BoardAccessLogs, DropTheOldestEntriesAndRefuseToBeReadUntilCleared) {
  sim::Bar bar(Port::kBarOffset + Port::kSize);
  Port port(bar);
  Block block;
  block.define(0x10, Block::kReadWrite, false);
  port.attachSubsystem(1, block);
  // Subsystem 1, address 0x10, 16 bits of data: one word D each.
  auto write = [&](uint32_t data) { port.write(Port::kWordD, 4, 1u | 0x10u << 4 | (data & 0xFFFFu) << 12); };

  write(7);
  EXPECT_EQ(block.log(), (std::vector<Block::Entry>{{false, 0x10, 7}}));
  EXPECT_EQ(port.executed().size(), 1u);
  for (uint32_t data = 0; data < Block::kKeptEntries + Port::kKeptInstructions; ++data) write(data);
  EXPECT_EQ(block.value(0x10), (Block::kKeptEntries + Port::kKeptInstructions - 1) & 0xFFFFu);
  EXPECT_DEATH(block.log(), "dropped its oldest entries");
  EXPECT_DEATH(block.readsOf(0x10), "dropped its oldest entries");
  EXPECT_DEATH(port.executed(), "dropped the oldest");

  block.clearLog();
  port.clearExecuted();
  write(9);
  EXPECT_EQ(block.writes(), (std::vector<Block::Entry>{{false, 0x10, 9}}));
  EXPECT_EQ(port.executed(), (std::vector<Port::Instruction>{{1, 0x10, 9, false, false}}));
}

TEST(BoardAccessLogs, TheFixedLogicsTimedWritesAlike) {
  sim::Bar bar(sim::FixedLogic::kBarOffset + sim::FixedLogic::kSize);
  sim::FixedLogic logic(bar);
  const uint64_t crossSwitch = sim::FixedLogic::kCrossSwitch;
  logic.write(crossSwitch, 4, 1);
  ASSERT_EQ(logic.timedWrites().size(), 1u);
  for (uint32_t value = 0; value < sim::FixedLogic::kKeptWrites; ++value) logic.write(crossSwitch, 4, value);
  EXPECT_EQ(logic.crossSwitch(), sim::FixedLogic::kKeptWrites - 1);
  EXPECT_DEATH(logic.timedWrites(), "oldest were dropped");
}

}  // namespace
