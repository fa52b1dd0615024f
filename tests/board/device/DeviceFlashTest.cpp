// The Device's calibration-flash stage on the board model: what a store
// that cannot be mounted leaves in the deferred records and the handlers.
#include <gtest/gtest.h>

#include <memory>

#include "driver/board/device/Device.h"
#include "driver/board/ioctl/IoctlCollection.h"
#include "driver/board/ioctl/RFPlatIoctlImpl.h"
#include "driver/flash/FlashStoreCodes.h"
#include "tests/platform/pci/PciTestDevice.h"

namespace vltest {
namespace {

using nVL9738K_24_0::Device;

struct FlashDevice {
  explicit FlashDevice(sim::Board& board) {
    device.reset(new (status, nVLAPAL000::kAllocationKindPlain) Device(pciInformationFor(board.description()), status));
    device->startBus(0, status);
    nVLAPAL000::tEventDescriptor descriptor{nullptr};
    device->changeState(descriptor, nVLAPAL000::kPnPStateReady, 0, false, status);
  }
  ~FlashDevice() { nVLAPAL000::tDevice::onRemoveDevice(device.get()); }
  int64_t record(uint32_t level) const { return device->getDriverStatus(level)->getCode(); }

  tStatus status{tStatus::kFullSize};
  std::unique_ptr<Device> device;
};

TEST(DeviceFlash, ABlankStoreLeavesNoManagerAndFailsTheFirstThreeLevelsOnly) {
  sim::Board board;
  const std::vector<uint8_t> erased(2 * sim::NorFlash::kSectorSize, 0xFF);
  board.flash().load(sim::FlashLayout::kPartitionTableB, erased.data(), erased.size());
  FlashDevice started(board);
  ASSERT_EQ(started.status.getCode(), 0);
  EXPECT_EQ(started.device->getFlashPartitionManager(), nullptr);
  for (uint32_t level = 1; level <= 3; ++level) EXPECT_EQ(started.record(level), qrtk::codes::kRecordUnreadable);
  EXPECT_EQ(started.record(4), 0);
  EXPECT_EQ(started.device->getGate(), nVLAPAL000::kGateOpen);
  // A handler that the guard let through would get the stage's outcome.
  nVL9738K_24_0::IoctlCollection collection(started.device.get());
  tStatus status;
  EXPECT_EQ(rfplatimpl::RFPlatIoctlImpl<nVL9738K_24_0::IoctlCollection>::requireManager(collection, status), nullptr);
  EXPECT_EQ(status.getCode(), qrtk::codes::kRecordUnreadable);
}

}  // namespace
}  // namespace vltest
