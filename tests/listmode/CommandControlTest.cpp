// The list engine's command control on the board: the control sequences
// as the engine sees them, and what it reads back.
#include <cstring>

#include "driver/listmode/ListModeStatusCodes.h"
#include "sim/kernel/Clock.h"
#include "tests/regmaps/timing/TimingBlockFixture.h"

namespace {

using namespace vltest;
using L = sim::ListEngineModel;
using Control = std::vector<uint64_t>;
namespace st = nVLAPALS100;

class CommandControlOnBoard : public ListEngineOnBoard {
 protected:
  void SetUp() override { build(0x28'00'01'32'01); }
};

TEST_F(CommandControlOnBoard, TheCapabilitiesWordIsDecodedByteForByte) {
  const listmodek::ListTraits traits = listmodek::CommandControl::traitsOf(0x28'00'FF'32'01);
  const uint8_t expected[24] = {0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 1, 0, 0, 0, 0xFF, 0x00, 2, 3, 0x28};
  EXPECT_EQ(std::memcmp(&traits, expected, sizeof expected), 0);
  EXPECT_EQ(listmodek::CommandControl::traitsOf(0x1).capability4, 40u);
}

TEST_F(CommandControlOnBoard, StartStopAndTheLocationPulseWriteTheirSequences) {
  control->start(status);
  engine.setDone(L::Done::kAfterDelay, 3'000'000);
  control->stop(status);
  control->pulseControlBit3(status);
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_EQ(engine.controlLog(), (Control{0x0, 0x1, 0x0, 0x10, 0x12, 0x10, 0x14, 0x10, 0x0, 0x0, 0x8, 0x0}));
  EXPECT_GT(engine.readsOf(L::kStatus), 1u) << "polled until done";
}

TEST_F(CommandControlOnBoard, AListThatNeverEndsTimesOutAndStillDropsTheRunBit) {
  control->start(status);
  engine.setDone(L::Done::kNever);
  const uint64_t before = sim::Clock::instance().nowNs();
  control->stop(status);
  EXPECT_EQ(status.getCode(), st::kStatusTimeout);
  EXPECT_GE(sim::Clock::instance().nowNs() - before, 10'000'000u);
  EXPECT_EQ(engine.controlLog().back(), 0x0u);
}

TEST_F(CommandControlOnBoard, ARefusedLocationKeepsTheEarlierPair) {
  control->commitListLocation(status);  // the first commit writes, even zeros
  control->setListLocation({0x1234, 0xFFFFFFFF}, status);
  tStatus refused{tStatus::kFullSize};
  control->setListLocation({0x5, 0x100000000}, refused);
  EXPECT_EQ(refused.getCode(), st::kStatusInvalidParameter);
  EXPECT_STREQ(refused.getFile(), listmodek::sites::kCommandControl);
  control->commitListLocation(status);
  control->commitListLocation(status);
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_EQ(engine.writes(), (std::vector<Entry>{wrote(engine.address(L::kListLocation), 0),
                                                 wrote(engine.address(L::kListLocation), 0xFFFFFFFF00001234)}));
}

TEST_F(CommandControlOnBoard, StatusProgressAndErrorsAreReadFromTheEngine) {
  engine.setFifoUnderflow(true);
  EXPECT_FALSE(control->readIsFifoUnderflow(status)) << "nothing read yet";
  EXPECT_FALSE(control->readListIsDone(status));
  EXPECT_TRUE(control->readIsFifoUnderflow(status));
  engine.setValue(engine.address(L::kProgress), 0x0000000900000004);
  EXPECT_EQ(control->readStepInProgress(status), 4u);
  EXPECT_EQ(control->readIterationInProgress(status), 9u);
  uint32_t count = 7;
  uint64_t info[2] = {7, 7};
  control->readDeviceStatus(count, info[0], info[1], status);
  EXPECT_EQ(count + info[0] + info[1], 0u);
  EXPECT_EQ(engine.readsOf(L::kErrorInfo), 0u);
  engine.setErrors(2, 0xAAAABBBBCCCCDDDD);
  control->readDeviceStatus(count, info[0], info[1], status);
  EXPECT_EQ(std::tuple(count, info[0], info[1]), std::tuple(2u, uint64_t{0xCCCCDDDD}, uint64_t{0xAAAABBBB}));
  EXPECT_EQ(status.getCode(), 0);
}

}  // namespace
