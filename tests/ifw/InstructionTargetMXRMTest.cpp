// A block's registers by offset: the binding of a context and the register
// port, all the way to the board's subsystem model. Generated maps over a
// binding are the timing block maps' tests.
#include "driver/ifw/Context.h"
#include "driver/ifw/IfwStatusCodes.h"
#include "driver/ifw/InstructionTargetMXRM.h"
#include "sim/kernel/Clock.h"
#include "tests/regport/RegisterPortFixture.h"

namespace {

using namespace vltest;
using I = Port::Instruction;

// A block at 0x1000 in subsystem 8, whose registers the board keeps.
class InstructionTargetMXRMOnBoard : public RegisterPortOnBoard {
 protected:
  void SetUp() override {
    model.attachSubsystem(8, engine);
    block.initialize(8, 0x1000, 2402, 0, 1, 1, nullptr, 0);
    openPort();
    ASSERT_EQ(status.getCode(), 0);
    binding.emplace(&*driverPort, &block, true);
    model.clearExecuted();
  }

  RamSubsystem engine;
  vlifw::Context block;
  std::optional<vlifw::InstructionTargetMXRM> binding;
};

TEST_F(InstructionTargetMXRMOnBoard, ReadsOfEveryWidthIssueTheSameInstruction) {
  engine.registers[0x1010] = 0x0123456789ABCDEF;
  EXPECT_EQ(binding->read64(0x10, status), 0x0123456789ABCDEFu);
  EXPECT_EQ(binding->read32(0x10, status), 0x89ABCDEFu);
  EXPECT_EQ(binding->read16(0x10, status), 0xCDEFu);
  EXPECT_EQ(binding->read8(0x10, status), 0xEFu);
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_EQ(model.executed(), std::vector<I>(4, I{8, 0x1010, 0, true, false}));
}

TEST_F(InstructionTargetMXRMOnBoard, WritesAreZeroExtendedAndWaitAsTheBindingSays) {
  binding->write64(0x20, 0xFFFFFFFFFFFFFFFF, status);
  binding->write32(0x28, 0xFFFFFFFF, status);
  binding->setWaitForWrites(false);
  EXPECT_FALSE(binding->getWaitForWrites());
  binding->write16(0x30, 0xFFFF, status);
  binding->write8(0x38, 0xFF, status);
  EXPECT_TRUE(binding->restoreWaitForWrites());
  binding->write8(0x40, 1, status);
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_EQ(model.executed(), (std::vector<I>{{8, 0x1020, 0xFFFFFFFFFFFFFFFF, false, true},
                                              {8, 0x1028, 0xFFFFFFFF, false, true},
                                              {8, 0x1030, 0xFFFF, false, false},
                                              {8, 0x1038, 0xFF, false, false},
                                              {8, 0x1040, 1, false, true}}));
}

TEST_F(InstructionTargetMXRMOnBoard, AFailedReadReturnsZeroAndKeepsTheTargetsCode) {
  engine.registers[0x1010] = 5;
  model.failNextInstructions(1);
  EXPECT_EQ(binding->read32(0x10, status), 0u);
  EXPECT_EQ(status.getCode(), codes::kInstructionFailed);
  EXPECT_STREQ(status.getFile(), "InstructionTargetErrorHelper");
  EXPECT_EQ(binding->read64(0x10, status), 0u);
}

TEST_F(InstructionTargetMXRMOnBoard, AReadThatTimesOutTakesTheDefaultSecond) {
  model.setStalled(true);
  const uint64_t start = sim::Clock::instance().nowNs();
  EXPECT_EQ(binding->read64(0x10, status), 0u);
  EXPECT_EQ(status.getCode(), codes::kReadTimedOut);
  const uint64_t elapsedMs = (sim::Clock::instance().nowNs() - start) / 1'000'000;
  EXPECT_GE(elapsedMs, 1000u);
  EXPECT_LT(elapsedMs, 1010u);
}

}  // namespace
