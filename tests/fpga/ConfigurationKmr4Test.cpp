// The bridge's configuration-port object on the board model: the POSC wait,
// the control bits, the command/data protocol and the waits on IO port 2.
#include <gtest/gtest.h>

#include "driver/fpga/ConfigurationKmr4.h"
#include "driver/fpga/FpgaStatusCodes.h"
#include "sim/kernel/Clock.h"
#include "sim/kernel/Console.h"
#include "tests/regaccess/RegisterMapFixture.h"

namespace vltest {
namespace {

using vllym::ConfigurationKmr4;

class ConfigurationPort : public RegisterMapOnBoard {
 protected:
  sim::IoPortConfig& ports() { return board.bridge().ioPorts(); }
  bool printed(const char* message) {
    return sim::Console::contains(std::string("Error -63150 (StatusCode::HardwareFault): ") + message);
  }

  ConfigurationKmr4 configuration{&bar0};
};

TEST_F(ConfigurationPort, FullConstructionWaitsForThePoscThenSetsTheControlBitsAroundTheMap) {
  board.bridge().core().setReadable(0xA4, 4, 0x00000123);
  ConfigurationKmr4 full(&bar0, status);
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_EQ(board.bar0().traffic(), (std::vector<BusAccess>{{BusAccess::Kind::Read, 0x58, 4, 2},
                                                            {BusAccess::Kind::Read, 0x58, 4, 2},
                                                            {BusAccess::Kind::Read, 0xA4, 4, 0x123},
                                                            {BusAccess::Kind::Write, 0xA4, 4, 0x8000C123}}));
}

TEST_F(ConfigurationPort, APoscThatNeverFinishesTimesOutAfterFifteenSeconds) {
  board.bridge().setPoscDone(false);
  sim::Clock::instance().setYieldStepNs(1'000'000);
  const uint64_t start = sim::Clock::instance().nowNs();
  configuration.waitForPosc(status);
  EXPECT_EQ(status.getCode(), vllym::kStatusHardwareFault);
  EXPECT_GE(sim::Clock::instance().nowNs() - start, 15'000'000'000u);
  EXPECT_LT(sim::Clock::instance().nowNs() - start, 15'100'000'000u);
  EXPECT_TRUE(printed("timed out waiting for the POSC to finish"));
}

TEST_F(ConfigurationPort, WritesPutTheDataFirstThenTheCommand) {
  configuration.writeConfig({{0xF, 2, 7, 7, 7}}, 0x0C, 0xDEADBEEF, status);
  EXPECT_EQ(writesIn(board.bar0().traffic()), (std::vector<BusAccess>{{BusAccess::Kind::Write, 0x68C, 4, 0xDEADBEEF},
                                                                      {BusAccess::Kind::Write, 0x688, 4, 0x0CFFFA01}}));
  EXPECT_EQ(ports().internalRegister(2, 0x0C), 0xDEADBEEFu);
}

TEST_F(ConfigurationPort, ThePlainEnableOpensPort2InMode1) {
  configuration.enableIoPort2(status);
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_EQ(ports().port2State(), 0xF6u);
  EXPECT_EQ(ports().setting604(), 0x30u);
  EXPECT_EQ(ports().setting680(), 0x00300200u);
}

TEST_F(ConfigurationPort, EnablingWithoutReplaceKeepsTheLowBitsOf0x604) {
  sim::Clock::instance().setSpinStepNs(1'000'000);
  bar0.write32(0x604, 0xABCD, status);
  configuration.enableIoPort2(0, false, false, 5, status);
  EXPECT_EQ(status.getCode(), vllym::kStatusHardwareFault);  // data 0 does not open the port
  EXPECT_EQ(ports().setting604(), 0xABCDu);                  // and after a failure nothing more is written

  tStatus clean(tStatus::kFullSize);
  bar0.write32(0x604, 0xABCD, clean);
  configuration.enableIoPort2(0, true, false, 5, clean);
  EXPECT_EQ(clean.getCode(), 0);
  EXPECT_EQ(ports().setting604(), 0xAB5Du);
}

// A read that never completes, and a port that does not move either way.
TEST_F(ConfigurationPort, APortThatNeverAnswersIsAHardwareFault) {
  ports().setReadsNeverFinish(true);
  sim::Clock::instance().setSpinStepNs(1'000'000);
  tStatus reading;
  EXPECT_EQ(configuration.readConfig(ConfigurationKmr4::kIoPort2, 0, reading), 0u);
  EXPECT_EQ(reading.getCode(), vllym::kStatusHardwareFault);
  EXPECT_TRUE(printed("timed out reading KMR4 config"));
  ports().setReadsNeverFinish(false);

  ports().setPort2State(sim::IoPortConfig::kOpen);
  ports().setPort2Stuck(true);
  configuration.disableIoPort2(status);
  EXPECT_EQ(status.getCode(), vllym::kStatusHardwareFault);
  EXPECT_TRUE(printed("timed out disabling IOPort 2"));
  ports().setPort2State(sim::IoPortConfig::kClosed);
  tStatus enabling(tStatus::kFullSize);
  configuration.enableIoPort2(enabling);
  EXPECT_EQ(enabling.getCode(), vllym::kStatusHardwareFault);
  EXPECT_TRUE(printed("timed out enabling IOPort2"));
  EXPECT_EQ(ports().setting604(), 0u);
}

}  // namespace
}  // namespace vltest
