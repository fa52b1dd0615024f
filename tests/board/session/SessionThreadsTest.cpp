// Sessions issuing guarded requests from several threads while another
// resets the board, one request shuts it down on temperature and sessions
// open and close: nothing deadlocks and every request ends cleanly.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

#include "driver/board/device/Device.h"
#include "driver/board/session/IoctlEntryHelper.h"
#include "tests/platform/pci/PciTestDevice.h"

namespace vltest {
namespace {

using nVL9738K_24_0::Device;
using nVL9738K_24_0::IoctlEntryHelper;

TEST(DeviceSessionThreads, RequestsResetsShutdownsAndClosesNeverWaitOnEachOther) {
  sim::Board board;
  tStatus status{tStatus::kFullSize};
  Device* device =
      new (status, nVLAPAL000::kAllocationKindPlain) Device(pciInformationFor(board.description()), status);
  ASSERT_NE(device, nullptr);
  device->startBus(0, status);
  nVLAPAL000::tEventDescriptor none{nullptr};
  ASSERT_TRUE(device->changeState(none, nVLAPAL000::kPnPStateReady, 0, false, status));

  std::atomic<bool> done{false};
  std::thread watchdog([&] {
    for (int tick = 0; tick < 1200 && !done; ++tick) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    if (!done) {
      std::fprintf(stderr, "sessions, resets and shutdowns deadlocked\n");
      std::abort();
    }
  });
  std::atomic<int> admitted{0};
  std::atomic<bool> resetsDone{false};
  const auto client = [&](bool heats) {
    for (int round = 0; round < 6 || !resetsDone; ++round) {
      tStatus opened;
      nVLAPAL000::tSession* session = device->openDeviceInterface(none, device->getDeviceInterfaces()[0], opened);
      if (session == nullptr) continue;
      nVLAPAL000::tEventDescriptor descriptor{session};
      for (uint32_t level = Device::kLevelNone; level <= Device::kLevelLateInitialization; ++level) {
        tStatus request;
        IoctlEntryHelper guard(*device, descriptor, level, request, level == Device::kLevelLateInitialization);
        if (request.isNotFatal()) ++admitted;
        if (heats && level == Device::kLevelProperties && request.isNotFatal()) {
          device->thermalShutdown(device->getCapabilities().temperatureLimit(), request);
        }
      }
      device->closeDeviceInterface(descriptor, session);
    }
  };
  std::vector<std::thread> threads;
  threads.emplace_back(client, true);
  threads.emplace_back(client, false);
  threads.emplace_back(client, false);
  threads.emplace_back([&] {
    for (int round = 1; round <= 3; ++round) {
      // Each reset lands among admitted requests.
      while (admitted < 4 * round) std::this_thread::yield();
      tStatus reset;
      device->reset(reset);
    }
    resetsDone = true;
  });
  for (std::thread& thread : threads) thread.join();
  done = true;
  watchdog.join();

  EXPECT_GT(admitted.load(), 0);
  EXPECT_EQ(device->getInFlightCount(), 0u);
  EXPECT_EQ(device->getOpenSessionCount(), 0u);
  EXPECT_EQ(device->getRoutingResourcesManager().getSessionCount(), 0u);
  EXPECT_EQ(device->getSessionLock().getDepth(), 0u);
  nVLAPAL000::tDevice::onRemoveDevice(device);
  nVLAPAL000::tDevice::onDeleteDevice(device);
}

}  // namespace
}  // namespace vltest
