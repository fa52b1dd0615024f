// The list engine's command control on the board: the control sequences
// as the engine sees them, and what it reads back.
#include <cstring>

#include "driver/listmode/ListModeStatusCodes.h"
#include "sim/kernel/Clock.h"
#include "tests/listmode/ListEngineFixture.h"

namespace {

using namespace vltest;
using L = sim::ListEngineModel;
using Control = std::vector<uint64_t>;
namespace st = nVLAPALS100;

class CommandControlOnBoard : public ListEngineOnBoard {
 protected:
  void SetUp() override { build(0x28'00'01'32'01); }

  size_t readsOf(L::Register index) const {
    size_t count = 0;
    for (const Entry& entry : engine.log()) count += entry.isRead && entry.address == engine.address(index);
    return count;
  }
};

TEST_F(CommandControlOnBoard, TheCapabilitiesAreReadOnceAndDecoded) {
  listmodek::ListTraits traits{};
  control->getCapabilities(traits, status);
  control->getCapabilities(traits, status);
  EXPECT_EQ(readsOf(L::kCapabilities), 1u);
  EXPECT_EQ(status.getCode(), 0);

  // The engine of the worked example, then one that reports no ticks.
  traits = listmodek::CommandControl::traitsOf(0x28'00'FF'32'01);
  const uint8_t expected[24] = {0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 1, 0, 0, 0, 0xFF, 0x00, 2, 3, 0x28};
  EXPECT_EQ(std::memcmp(&traits, expected, sizeof expected), 0);
  EXPECT_EQ(listmodek::CommandControl::traitsOf(0x1).capability4, 40u);

  // A failed read leaves the traits of the shadow: nothing reported yet.
  tStatus failed{tStatus::kFullSize};
  engine.failAt(engine.address(L::kCapabilities), sim::SubsystemModel::kGenericFailure);
  listmodek::CommandControl second(&*map, failed);
  EXPECT_NE(failed.getCode(), 0);
  tStatus clean{tStatus::kFullSize};
  second.getCapabilities(traits, clean);
  EXPECT_EQ(traits.pcodeVersion, 1u) << "the shadow the first control read";
}

TEST_F(CommandControlOnBoard, StartPulsesTheStartBitsAroundTheRunBit) {
  control->start(status);
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_EQ(engine.controlLog(), (Control{0x0, 0x1, 0x0, 0x10, 0x12, 0x10}));
}

TEST_F(CommandControlOnBoard, StopPulsesTheStopBitWaitsForDoneThenDropsTheRunBit) {
  control->start(status);
  engine.setDone(L::Done::kAfterDelay, 3'000'000);
  control->stop(status);
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_EQ(engine.controlLog(), (Control{0x0, 0x1, 0x0, 0x10, 0x12, 0x10, 0x14, 0x10, 0x0}));
  EXPECT_GT(readsOf(L::kStatus), 1u);
}

TEST_F(CommandControlOnBoard, AListThatNeverEndsTimesOutAndStillDropsTheRunBit) {
  control->start(status);
  engine.setDone(L::Done::kNever);
  const uint64_t before = sim::Clock::instance().nowNs();
  control->stop(status);
  EXPECT_EQ(status.getCode(), st::kStatusTimeout);
  EXPECT_GE(sim::Clock::instance().nowNs() - before, 10'000'000u);
  EXPECT_EQ(engine.controlLog().back(), 0x0u);

  // A stop on a status that already holds an error still drops the run bit.
  tStatus failed{tStatus::kFullSize};
  failed.setCode(-1, VL_SITE);
  tStatus restart{tStatus::kFullSize};
  control->start(restart);
  const size_t reads = readsOf(L::kStatus);
  control->stop(failed);
  EXPECT_EQ(engine.controlLog().back(), 0x0u);
  EXPECT_EQ(readsOf(L::kStatus), reads) << "no poll";
  EXPECT_EQ(failed.getCode(), -1);
}

TEST_F(CommandControlOnBoard, TheLocationPulseWritesEveryTime) {
  control->start(status);
  control->pulseControlBit3(status);
  control->pulseControlBit3(status);
  EXPECT_EQ(status.getCode(), 0);
  const Control log = engine.controlLog();
  EXPECT_EQ(Control(log.begin() + 6, log.end()), (Control{0x10, 0x18, 0x10, 0x10, 0x18, 0x10}));
}

TEST_F(CommandControlOnBoard, ARefusedLocationKeepsTheEarlierPair) {
  control->commitListLocation(status);  // the first commit writes, even zeros
  control->setListLocation({0x1234, 0xFFFFFFFF}, status);
  tStatus refused{tStatus::kFullSize};
  control->setListLocation({0x100000000, 0x5}, refused);
  EXPECT_EQ(refused.getCode(), st::kStatusInvalidParameter);
  EXPECT_STREQ(refused.getFile(), listmodek::sites::kCommandControl);
  tStatus refusedHigh{tStatus::kFullSize};
  control->setListLocation({0x5, 0x100000000}, refusedHigh);
  EXPECT_EQ(refusedHigh.getCode(), st::kStatusInvalidParameter);
  control->commitListLocation(status);
  control->commitListLocation(status);  // nothing changed: nothing written
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_EQ(engine.writes(), (std::vector<Entry>{wrote(engine.address(L::kListLocation), 0),
                                                 wrote(engine.address(L::kListLocation), 0xFFFFFFFF00001234)}));
}

TEST_F(CommandControlOnBoard, StatusProgressAndErrorsAreReadFromTheEngine) {
  engine.setFifoUnderflow(true);
  EXPECT_FALSE(control->readIsFifoUnderflow(status)) << "nothing read yet";
  EXPECT_FALSE(control->readListIsDone(status));
  const size_t accesses = engine.log().size();
  EXPECT_TRUE(control->readIsFifoUnderflow(status));
  EXPECT_EQ(engine.log().size(), accesses) << "from the status last read";

  engine.setValue(engine.address(L::kProgress), 0x0000000900000004);
  EXPECT_EQ(control->readStepInProgress(status), 4u);
  EXPECT_EQ(control->readIterationInProgress(status), 9u);

  uint32_t count = 7;
  uint64_t info0 = 7;
  uint64_t info1 = 7;
  control->readDeviceStatus(count, info0, info1, status);
  EXPECT_EQ(count, 0u);
  EXPECT_EQ(info0, 0u);
  EXPECT_EQ(info1, 0u);
  EXPECT_EQ(readsOf(L::kErrorInfo), 0u);
  engine.setErrors(2, 0xAAAABBBBCCCCDDDD);
  control->readDeviceStatus(count, info0, info1, status);
  EXPECT_EQ(count, 2u);
  EXPECT_EQ(info0, 0xCCCCDDDDu);
  EXPECT_EQ(info1, 0xAAAABBBBu);
  EXPECT_EQ(status.getCode(), 0);

  tStatus failed{tStatus::kFullSize};
  failed.setCode(-1, VL_SITE);
  EXPECT_EQ(control->readStepInProgress(failed), 0u);
  EXPECT_FALSE(control->readIsFifoUnderflow(failed));
}

}  // namespace
