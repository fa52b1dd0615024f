// Publication of property lists and the device's deferred calls.
#include <gtest/gtest.h>

#include <cstring>

#include "TestDevice.h"
#include "driver/platform/device/DeviceSites.h"
#include "driver/platform/device/tDevice.h"
#include "sim/kernel/Kernel.h"
#include "tests/support/StatusChecks.h"

namespace {

using nVLAPAL000::tProperty;
using nVLAPALS100::tStatus;
using sim::DeviceRegistry;
using Bytes = std::vector<uint8_t>;

template <typename T>
Bytes bytesOf(T value) {
  Bytes bytes(sizeof value);
  std::memcpy(bytes.data(), &value, sizeof value);
  return bytes;
}

TEST(DeviceProperties, EveryListGoesOutUnderItsOwnerWithTheValueOfItsType) {
  vltest::TestBoard board;
  const uint64_t device = board.device().getKernelDeviceHandle();
  const uint64_t interface = board.device().interface().getKernelHandle();
  struct Expected {
    uint64_t owner;
    const char* name;
    uint32_t kind;
    Bytes value;
  };
  const Expected expected[] = {
      {device, "serialNumber", nVLAPAL000::kPropertyKindDevice, Bytes{'V', 'L', '-', '0', '0', '0', '1', 0}},
      {device, "slot", nVLAPAL000::kPropertyKindDevice, bytesOf<uint32_t>(7)},
      {device, "calibration", nVLAPAL000::kPropertyKindDevice, Bytes{0xCA, 0x11, 0xB0}},
      {device, "numaNode", nVLAPAL000::kPropertyKindPCI, bytesOf<uint32_t>(1)},
      {interface, "interfaceGeneration", nVLAPAL000::kPropertyKindInterface, bytesOf<uint64_t>(0x0102030405060708)},
  };
  EXPECT_EQ(DeviceRegistry::properties().size(), std::size(expected));
  for (const Expected& property : expected) {
    const auto found = DeviceRegistry::findProperty(property.owner, property.name);
    ASSERT_TRUE(found.has_value()) << property.name;
    EXPECT_EQ(found->kind, property.kind) << property.name;
    EXPECT_EQ(found->value, property.value) << property.name;
  }
  EXPECT_EQ(board.device().deviceProperty(0).handle, DeviceRegistry::findProperty(device, "serialNumber")->handle);
}

TEST(DeviceProperties, MissingOrEmptyTextGoesOutAsItsTerminatorAlone) {
  for (const char* text : {static_cast<const char*>(nullptr), ""}) {
    tProperty property{};
    property.name = "label";
    property.type = tProperty::kTypeString;
    property.value.text = text;
    tProperty* list[] = {&property, nullptr};
    tStatus status;
    nVLAPAL000::tDevice::registerProperties(nVLAPAL000::kPropertyKindDevice, 0x42, list, status);
    EXPECT_EQ(status.getCode(), 0);
    EXPECT_EQ(DeviceRegistry::findProperty(0x42, "label")->value, Bytes{0});
    nVLAPAL000::tDevice::unregisterProperties(list);
  }
}

TEST(DeviceProperties, RefusedPropertyTakesTheWholeListBackAndIsABadSelector) {
  tStatus construction;
  vltest::TestDevice* device = new vltest::TestDevice(construction);
  DeviceRegistry::propertyRegistrationFaults().failNth(2, 0);
  tStatus status(tStatus::kFullSize);
  device->registerDeviceProperties(status);
  EXPECT_EQ(vltest::siteOf(status), (vltest::Site{nVLAPALS100::kStatusBadSelector, nVLAPAL000::sites::kDevice, 89}));
  EXPECT_TRUE(DeviceRegistry::properties().empty());
  for (size_t i = 0; i < 3; ++i) EXPECT_EQ(device->deviceProperty(i).handle, 0u) << "property " << i;
  EXPECT_EQ(DeviceRegistry::strayUnregistrations(), 0u);
  nVLAPAL000::tDevice::onDeleteDevice(device);
}

// A list taken back after a refusal is taken back again when the failed
// device is removed; the kernel layer must not see its handles twice.
TEST(DeviceProperties, RemoveAfterARefusedRegistrationUnregistersNothingTwice) {
  DeviceRegistry::propertyRegistrationFaults().failNth(3, 0);
  vltest::TestBoard board;
  EXPECT_LT(DeviceRegistry::properties().size(), 5u);
  board.remove();
  EXPECT_TRUE(DeviceRegistry::properties().empty());
  EXPECT_EQ(DeviceRegistry::strayUnregistrations(), 0u);
}

TEST(DeviceDeferredCalls, ScheduledCallRunsOnceWhenTheKernelGetsToIt) {
  tStatus construction;
  vltest::TestDevice* device = new vltest::TestDevice(construction);
  int runs = 0;
  const nVLAPAL000::tDPC dpc(sim::Dpc::create([&runs] { ++runs; }));
  device->scheduleDPC(dpc);
  device->scheduleDPC(dpc);
  EXPECT_EQ(runs, 0);
  EXPECT_EQ(sim::Dpc::runPending(), 1);
  EXPECT_EQ(runs, 1);
  EXPECT_EQ(sim::Dpc::timesScheduled(dpc.getKernelHandle()), 2u);
  nVLAPAL000::tDevice::onDeleteDevice(device);
}

}  // namespace
