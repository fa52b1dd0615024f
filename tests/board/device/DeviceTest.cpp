// The Device started on the board model without the kernel layer's entry:
// what a failed FPGA download leaves and what each bring-up hands the RF
// primitives. (What every download does to the sessions is with the
// session tests.)
#include <gtest/gtest.h>

#include <tuple>

#include "driver/board/device/Device.h"
#include "tests/board/StartedDevice.h"

namespace vltest {
namespace {

using nVL9738K_24_0::Device;

class StartedDevice : public DeviceOnBoard {
 protected:
  void SetUp() override {
    start();
    ASSERT_EQ(status.getCode(), 0);
  }
};

TEST_F(StartedDevice, AFailedDownloadDropsThePortAndLeavesTheLateRecordClean) {
  board.bridge().fpgaLoader().setFault(sim::FpgaLoader::Fault::Fails);
  const uint32_t main = device->getMainSessionGeneration();
  device->downloadFpgaImage(status);
  EXPECT_LT(status.getCode(), 0);
  EXPECT_EQ(device->getRegisterPort(), nullptr);
  EXPECT_EQ(device->getDriverStatus(Device::kLevelLateInitialization)->getCode(), 0);
  EXPECT_EQ(device->getMainSessionGeneration(), main + 1);
}

// The frequency primitives wait through the bring-up's read resources and
// the reference clock holds a check of each engine's pool, on every
// bring-up.
TEST_F(StartedDevice, EachBringUpHandsItsReadResourcesToTheRfPrimitives) {
  for (int bringUp = 1; bringUp <= 2; ++bringUp) {
    nVL9738K_24_0::ListModeRegisterReadResources* read = device->getListModeRegisterReadResources();
    ASSERT_NE(read, nullptr);
    nVL9738K_24_0::RfResources* rf = device->getDeviceResources()->getRfResources();
    ASSERT_NE(rf, nullptr);
    EXPECT_EQ(std::tuple(rf->frequency(0).getWait(), rf->frequency(1).getWait()),
              std::tuple(read->getWaitWithRedirection(), read->getWaitWithRedirection()));
    for (auto* pool : {read->getGenerationStatusRegisterCheckPool(), read->getAcquisitionStatusRegisterCheckPool()}) {
      EXPECT_EQ(pool->acquireCheck(status)->index, 30u) << "bring-up " << bringUp;
    }
    device->reset(status);
    ASSERT_EQ(status.getCode(), 0);
  }
}

}  // namespace
}  // namespace vltest
