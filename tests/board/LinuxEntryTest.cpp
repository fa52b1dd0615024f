// Add device over the linked driver, with a main interface that leaves a
// warning in add device's status: the kernel layer takes any code but 0
// for a board that was not added, so none of it may stay behind.
#include <gtest/gtest.h>

#include "driver/board/LinuxEntry.h"
#include "driver/board/ioctl/InterfaceTemplate_vl9738k.h"
#include "driver/board/status/DeviceStatusCodes.h"
#include "driver/platform/entry/EntryPoints.h"
#include "sim/board/Board.h"
#include "sim/host/KernelHoldings.h"
#include "sim/host/Module.h"
#include "sim/kernel/DeviceRegistry.h"
#include "tests/support/BoardRig.h"

namespace {

constexpr int32_t kUnlistedCode = -51001;

nVLAPAL000::tDeviceInterface* interfaceThatWarns(nVL9738K_24_0::Device& device, const char* name,
                                                 nVLAPALS100::tStatus& status) {
  nVLAPAL000::tDeviceInterface* interface = nVL9738K_24_0::tInterfaceTemplate_vl9738k::create(device, name, status);
  status.setCode(nVL9738K_24_0::codes::kWarningReadPastEnd, "vl9738k", __FILE__, __LINE__);
  return interface;
}

TEST(LinuxEntry, AnAddDeviceEndingWithAWarningFailsAndLeavesNothingRegisteredOrAnnounced) {
  vltest::BoardRig rig(sim::Module::enter(&nVLAPAL200_driverEntry));
  const nVLZUK_tPCIDeviceDescription description = rig.board().description();
  void* slot = nullptr;
  EXPECT_EQ(nVL9738K_24_0::addDevice(&description, &slot, &interfaceThatWarns), kUnlistedCode);
  EXPECT_EQ(slot, nullptr);
  EXPECT_TRUE(sim::kernelHoldingsOf(rig.board().pciHandle()).empty());
  for (const sim::DeviceRegistry::Interface& interface : sim::DeviceRegistry::interfaces()) {
    EXPECT_FALSE(interface.announced) << interface.name;
  }
  // The same board adds cleanly afterwards.
  EXPECT_EQ(rig.add(), 0);
}

}  // namespace
