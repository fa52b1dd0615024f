// The Device's part in list-mode commit snooping, over a started board
// model: what each bring-up builds for it and what a start needs.
#include <gtest/gtest.h>

#include <memory>
#include <tuple>

#include "driver/board/device/Device.h"
#include "driver/board/status/DeviceStatusCodes.h"
#include "driver/platform/status/StatusCodes.h"
#include "tests/platform/pci/PciTestDevice.h"

namespace vltest {
namespace {

using nVL9738K_24_0::Device;

class CountingSession : public listmodek::Session {
 public:
  explicit CountingSession(uint8_t subsystem, tStatus& status) : Session(nullptr, nullptr, subsystem, status) {}
  void addSnoopingListener(listmodek::iListSnoopingListener*, tStatus&) override { ++added; }
  void addStateListener(listmodek::iListStateListener*, tStatus&) override { ++added; }
  int added = 0;
};

class SnoopingDevice : public testing::Test {
 protected:
  void SetUp() override {
    device.reset(new (status, nVLAPAL000::kAllocationKindPlain) Device(pciInformationFor(board.description()), status));
    ASSERT_NE(device, nullptr);
    device->startBus(0, status);
    nVLAPAL000::tEventDescriptor descriptor{nullptr};
    device->changeState(descriptor, nVLAPAL000::kPnPStateReady, 0, false, status);
    ASSERT_EQ(status.getCode(), 0);
  }
  void TearDown() override {
    if (device) nVLAPAL000::tDevice::onRemoveDevice(device.get());
  }

  sim::Board board;
  tStatus status{tStatus::kFullSize};
  std::unique_ptr<Device> device;
};

// Both frequency primitives wait through the read resources and the
// reference clock holds a check of the generation and of the acquisition
// pool; the bring-up of a reset does the same with the ones it builds.
TEST_F(SnoopingDevice, EachBringUpHandsItsReadResourcesToTheRfPrimitives) {
  for (int bringUp = 1; bringUp <= 2; ++bringUp) {
    nVL9738K_24_0::ListModeRegisterReadResources* read = device->getListModeRegisterReadResources();
    ASSERT_NE(read, nullptr);
    nVL9738K_24_0::RfPrimitives* primitives = device->getDeviceResources()->getPrimitives();
    ASSERT_NE(primitives, nullptr);
    EXPECT_EQ(std::tuple(primitives->getFrequency(0).getWait(), primitives->getFrequency(1).getWait()),
              std::tuple(read->getWaitWithRedirection(), read->getWaitWithRedirection()));
    for (auto* pool : {read->getGenerationStatusRegisterCheckPool(), read->getAcquisitionStatusRegisterCheckPool(),
                       read->getOtherStatusRegisterCheckPool()}) {
      auto* check = pool->acquireCheck(status);
      ASSERT_NE(check, nullptr);
      EXPECT_EQ(check->index, pool == read->getOtherStatusRegisterCheckPool() ? 31u : 30u) << "bring-up " << bringUp;
      pool->releaseCheck(check, status);
    }
    device->reset(status);
    ASSERT_EQ(status.getCode(), 0);
  }
}

// Without engine resources no engine records a list: 0xBFFA9178 and
// nothing attached; no session: -52010; an earlier failure stays.
TEST_F(SnoopingDevice, ACommitIsSnoopedOnlyWithTheEngineResources) {
  CountingSession session(10, status);
  tStatus refused, none, earlier;
  earlier.setCode(-7, VL_SITE);
  device->startCommitSnooping(&session, refused);
  device->startCommitSnooping(nullptr, none);
  device->startCommitSnooping(&session, earlier);
  EXPECT_EQ(std::tuple(refused.getCode(), none.getCode(), earlier.getCode(), session.added),
            std::tuple(nVL9738K_24_0::codes::kInvalidArgument, nVLAPALS100::kStatusRequestFailure, -7, 0));
}

// The engines' numbers go with the FPGA they were read from: after a
// download no session of the old numbers attaches.
TEST_F(SnoopingDevice, ADownloadDropsTheEnginesSubsystems) {
  nVL9738K_24_0::ListModeRegisterReadResources* read = device->getListModeRegisterReadResources();
  read->configure(200, 201, status);
  CountingSession session(201, status);
  read->attachSession(session, status);
  ASSERT_EQ(std::tuple(status.getCode(), session.added), std::tuple(0, 4));
  device->downloadFpgaImage(status);
  ASSERT_EQ(status.getCode(), 0);
  tStatus attach;
  read->attachSession(session, attach);
  EXPECT_EQ(std::tuple(attach.getCode(), read->getGenerationSubsystem()),
            std::tuple(nVLAPALS100::kStatusRequestFailure, uint8_t{0}));
}

}  // namespace
}  // namespace vltest
