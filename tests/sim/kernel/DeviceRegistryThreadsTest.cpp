// An open that overlaps the removal of its interface: the kernel layer holds
// the interface while the driver's open runs, so the open either completes
// before the unregistration returns (and the driver frees the device) or
// answers that there is no such interface. Never does a driver's open run
// on a device its removal already released.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "driver/platform/zuk/ZukDevice.h"
#include "driver/platform/zuk/ZukTime.h"
#include "sim/host/DeviceFile.h"
#include "sim/kernel/DeviceRegistry.h"
#include "sim/kernel/Kernel.h"

namespace {

using sim::DeviceFile;
using sim::Scheduler;

constexpr char kName[] = "overlap";

// What the interface's context points at: the driver frees it (here: marks
// it released) once the interface is unregistered.
struct FakeDevice {
  std::atomic<bool> released{false};
  std::atomic<int> opensOnReleased{0};
  std::atomic<int> opened{0};
};

// The driver's open looks at its device on entry and again after a pause
// in which the removal may run.
int32_t fakeOpen(void*, void** context) {
  auto* device = static_cast<FakeDevice*>(*context);
  if (device->released) ++device->opensOnReleased;
  if (Scheduler::active()) {
    nVLZUK250_sleepTimeout(50);
  } else {
    std::this_thread::yield();
  }
  if (device->released) ++device->opensOnReleased;
  ++device->opened;
  return 0;
}

void fakeClose(void*) {}
void fakeUnload(nVLZUK_tDriverRecord*) {}

int32_t fakeEntry(nVLZUK_tDriverRecord* record) {
  record->open = fakeOpen;
  record->close = fakeClose;
  record->unload = fakeUnload;
  return 0;
}

uint64_t registerFake(sim::Module& module, FakeDevice& device) {
  return nVLZUK240_registerDeviceInterface(&module.record(), 1, kName, 0, &device);
}

// The removal as a driver makes it: unregister, then release the device.
void removeFake(uint64_t handle, FakeDevice& device) {
  nVLZUK200_unregisterDeviceInterface(handle);
  device.released = true;
}

struct Outcomes {
  int opened = 0;
  int refused = 0;
};

TEST(DeviceRegistryThreads, AnOpenOverlappingARemovalCompletesFirstOrFindsNoInterface) {
  Outcomes outcomes;
  for (uint64_t seed = 1; seed <= 40; ++seed) {
    sim::resetKernel();
    auto module = sim::Module::enter(fakeEntry);
    FakeDevice device;
    const uint64_t handle = registerFake(*module, device);
    ASSERT_NE(handle, 0u);
    Scheduler::enable(seed);
    int32_t first = 1, late = 1;
    Scheduler::spawn("open", [&] { DeviceFile::open(*module, kName, &first); });
    Scheduler::spawn("remove", [&] { removeFake(handle, device); });
    Scheduler::spawn("late open", [&] {
      nVLZUK250_sleepTimeout(20);
      DeviceFile::open(*module, kName, &late);
    });
    ASSERT_FALSE(Scheduler::runUntilAllDone().deadlocked) << "seed " << seed;
    Scheduler::disable();
    EXPECT_EQ(device.opensOnReleased, 0) << "seed " << seed;
    for (int32_t code : {first, late}) {
      EXPECT_TRUE(code == 0 || code == DeviceFile::kNoSuchInterface) << "seed " << seed << ": " << code;
      (code == 0 ? outcomes.opened : outcomes.refused) += 1;
    }
    EXPECT_EQ(device.opened, (first == 0) + (late == 0)) << "seed " << seed;
    int32_t after = 0;
    EXPECT_EQ(DeviceFile::open(*module, kName, &after), nullptr);
    EXPECT_EQ(after, DeviceFile::kNoSuchInterface);
  }
  // The seeds put the open on both sides of the removal.
  EXPECT_GT(outcomes.opened, 0);
  EXPECT_GT(outcomes.refused, 0);
}

}  // namespace
