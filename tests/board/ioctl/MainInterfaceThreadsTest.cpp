// Frequency cycling against device resets on real threads: the cycle takes
// the session lock and the gate, so it is refused while a reset holds the
// gate closed and a reset's drain waits for a cycle already admitted; the
// two never touch the board together.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "driver/board/ioctl/PlatformRequests.h"
#include "driver/board/ioctl/SettingsRequests.h"
#include "driver/platform/entry/EntryPoints.h"
#include "sim/board/Board.h"
#include "sim/host/RequestClient.h"
#include "tests/support/BoardRig.h"

namespace {

using namespace nVL9738K_24_0::requests;

TEST(MainInterfaceThreads, FrequencyCyclingIsRefusedDuringAResetAndNeverRunsInsideOne) {
  vltest::BoardRig rig(sim::Module::enter(&nVLAPAL200_driverEntry));
  ASSERT_EQ(rig.add(), 0);
  auto resetFile = sim::DeviceFile::open(rig.module(), vltest::kMainInterface);
  auto cycleFile = sim::DeviceFile::open(rig.module(), vltest::kMainInterface);
  ASSERT_TRUE(resetFile && cycleFile);
  sim::RequestClient resetter(*resetFile);
  sim::RequestClient cycler(*cycleFile);
  std::atomic<bool> resetting{true};
  std::vector<int32_t> answers;
  std::thread cycling([&] {
    while (resetting.load()) answers.push_back(cycler.call<CycleFrequency>().outStatus());
  });
  for (int i = 0; i < 4; ++i) EXPECT_EQ(resetter.call<ResetDevice>().outStatus(), 0);
  resetting = false;
  cycling.join();
  answers.push_back(cycler.call<CycleFrequency>().outStatus());
  for (int32_t answer : answers) EXPECT_TRUE(answer == 0 || answer == nVLAPALS100::kStatusGateClosed) << answer;
  EXPECT_EQ(answers.back(), 0) << "the gate is open again after the last reset";
}

}  // namespace
