// Sessions issuing guarded requests from several threads while another
// resets the board, one request shuts it down on temperature and sessions
// open and close: nothing deadlocks and every request ends cleanly.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include "driver/board/device/Device.h"
#include "driver/board/ioctl/InterfaceTemplate_vl9738k.h"
#include "driver/board/ioctl/ListModeRequests.h"
#include "driver/board/session/IoctlEntryHelper.h"
#include "driver/board/session/Session.h"
#include "driver/board/status/DeviceStatusCodes.h"
#include "sim/kernel/Scheduler.h"
#include "tests/board/StartedDevice.h"
#include "tests/support/StatusChecks.h"

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
  // Every answer a guard or a reset gave that was not success.
  std::mutex answersLock;
  std::set<int32_t> refusals, resetAnswers;
  const auto note = [&](std::set<int32_t>& answers, const tStatus& answer) {
    std::lock_guard<std::mutex> hold(answersLock);
    if (answer.getCode() != 0) answers.insert(answer.getCode());
  };
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
        note(refusals, request);
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
      note(resetAnswers, reset);
    }
    resetsDone = true;
  });
  for (std::thread& thread : threads) thread.join();
  done = true;
  watchdog.join();

  EXPECT_GT(admitted.load(), 0);
  // A request is admitted, or refused as one of a session older than a
  // reset, while the gate is closed, or after the shutdown; a reset brings
  // the board up again whatever came before it.
  const std::set<int32_t> refusalsAllowed = {static_cast<int32_t>(nVL9738K_24_0::Session::kStaleSession),
                                             static_cast<int32_t>(nVLAPALS100::kStatusGateClosed),
                                             nVL9738K_24_0::codes::kOverTemperatureShutdown};
  for (int32_t code : refusals) EXPECT_EQ(refusalsAllowed.count(code), 1u) << "a guard answered " << code;
  EXPECT_TRUE(resetAnswers.empty()) << "a reset answered " << *resetAnswers.begin();
  // Once the last shutdown is behind a reset, a fresh session is admitted
  // at every level.
  EXPECT_EQ(codeAfter([&](tStatus& reset) { device->reset(reset); }), 0);
  tStatus opened;
  nVLAPAL000::tSession* session = device->openDeviceInterface(none, device->getDeviceInterfaces()[0], opened);
  ASSERT_NE(session, nullptr);
  nVLAPAL000::tEventDescriptor descriptor{session};
  for (uint32_t level = Device::kLevelNone; level <= Device::kLevelLateInitialization; ++level) {
    tStatus request;
    { IoctlEntryHelper guard(*device, descriptor, level, request, false); }
    EXPECT_EQ(request.getCode(), 0) << "level " << level;
  }
  device->closeDeviceInterface(descriptor, session);
  EXPECT_EQ(device->getInFlightCount(), 0u);
  EXPECT_EQ(device->getOpenSessionCount(), 0u);
  EXPECT_EQ(device->getRoutingResourcesManager().getSessionCount(), 0u);
  EXPECT_EQ(device->getSessionLock().getDepth(), 0u);
  nVLAPAL000::tDevice::onRemoveDevice(device);
  nVLAPAL000::tDevice::onDeleteDevice(device);
}

// A close ends its session's commit through the engine's listeners, which
// a removal releases: counted in flight, the close holds the removal's
// drain until it is done. The routing lock, held until the close waits for
// it, lets the removal start while the close is past its session's
// validity check; the scheduler hands the lock to one or the other.
TEST(DeviceSessionThreads, ARemovalEndsOnlyAfterACloseEndingItsCommit) {
  using namespace nVL9738K_24_0::requests;
  int raced = 0;
  for (uint64_t seed = 1; seed <= 8; ++seed) {
    sim::Board board;
    tStatus status{tStatus::kFullSize};
    RunningDevice device;
    nVLAPAL000::tEventDescriptor recorder{nullptr};
    sim::UserBlock path(8);
    path.put<uint64_t>(0, 2400 | uint64_t{2404} << 32);  // LO0's engine and its path
    sim::Scheduler::enable(seed);
    sim::Scheduler::spawn("record", [&] {
      device = startDevice(board, status, &nVL9738K_24_0::tInterfaceTemplate_vl9738k::create);
      recorder.session = device->openDeviceInterface(recorder, device->getDeviceInterfaces()[0], status);
      EXPECT_EQ(callMain<SetContext>(*device, recorder, {path.address(), 2, 0}).status, 0);
      EXPECT_EQ(callMain<StartCommitSnooping>(*device, recorder).status, 0);
    });
    sim::Scheduler::runUntilAllDone();
    ASSERT_EQ(status.getCode(), 0);
    sim::Scheduler::reseed(seed, 100);
    bool held = false, closing = false, removing = false, removed = false;
    sim::Scheduler::spawn("hold the routing lock", [&] {
      device->getRoutingLock().acquire();
      held = true;
      sim::Scheduler::blockUntil(sim::Scheduler::Call::kWork, [&] { return device->getSessionLock().getDepth() != 0; });
      closing = true;
      device->getRoutingLock().release();
    });
    sim::Scheduler::spawn("close", [&] {
      sim::Scheduler::blockUntil(sim::Scheduler::Call::kWork, [&] { return held; });
      device->closeDeviceInterface(recorder, recorder.session);
      EXPECT_FALSE(removed) << "seed " << seed << ": the board went under the close";
      raced += removing;
    });
    sim::Scheduler::spawn("remove", [&] {
      sim::Scheduler::blockUntil(sim::Scheduler::Call::kWork, [&] { return closing; });
      removing = true;
      nVLAPAL000::tDevice::onRemoveDevice(device.get());
      removed = true;
    });
    EXPECT_FALSE(sim::Scheduler::runUntilAllDone().deadlocked) << "seed " << seed;
    sim::Scheduler::spawn("delete", [&] { device.reset(); });
    sim::Scheduler::runUntilAllDone();
    sim::Scheduler::disable();
  }
  EXPECT_GT(raced, 0) << "no seed let the removal start under the close";
}

}  // namespace
}  // namespace vltest
