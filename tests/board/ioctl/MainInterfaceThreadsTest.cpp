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

namespace {

using namespace nVL9738K_24_0::requests;

TEST(MainInterfaceThreads, FrequencyCyclingIsRefusedDuringAResetAndNeverRunsInsideOne) {
  auto module = sim::Module::enter(&nVLAPAL200_driverEntry);
  sim::Board board;
  const nVLZUK_tPCIDeviceDescription description = board.description();
  void* slot = nullptr;
  ASSERT_EQ(module->record().addDevice(&description, nullptr, &slot), 0);
  {
    auto resetFile = sim::DeviceFile::open(*module, "vl9738_vl9738k");
    auto cycleFile = sim::DeviceFile::open(*module, "vl9738_vl9738k");
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
    resetFile->close();
    cycleFile->close();
  }
  module->record().removeDevice(slot);
  module->record().deleteDevice(slot);
  module->unload();
}

}  // namespace
