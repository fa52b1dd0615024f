// Sessions of the started Device on the board model: open and close of
// both interfaces, the request guard's lock, gate, deferred records and
// staleness check, and the notifier of the routing part.
#include <gtest/gtest.h>

#include <tuple>
#include <utility>
#include <vector>

#include "driver/board/device/Device.h"
#include "driver/board/session/IoctlEntryHelper.h"
#include "sim/kernel/KernelSockets.h"
#include "sim/kernel/Memory.h"
#include "tests/board/StartedDevice.h"
#include "tests/support/StatusChecks.h"

namespace vltest {
namespace {

using nVL9738K_24_0::Device;
using nVL9738K_24_0::IoctlEntryHelper;
using nVL9738K_24_0::Session;

constexpr int64_t kStale = static_cast<int32_t>(0xBFFA9179u);
constexpr int64_t kPowerUpTimedOut = static_cast<int32_t>(0xBFFA9176u);
constexpr int64_t kOverTemperature = static_cast<int32_t>(0xBFFA9046u);

class DeviceSessions : public DeviceOnBoard {
 protected:
  Session* open(tStatus& result) { return static_cast<Session*>(DeviceOnBoard::open(result)); }
  Session* open() {
    tStatus result;
    return open(result);
  }
  // The status a guarded request of `level` from `session` sees at entry.
  int64_t enter(nVLAPAL000::tSession* session, uint32_t level) {
    tStatus request;
    nVLAPAL000::tEventDescriptor descriptor{session};
    IoctlEntryHelper guard(*device, descriptor, level, request, false);
    return request.getCode();
  }
};

// A routing session the manager releases, counted.
struct ConstructionStatus {
  tStatus constructed;
};
class CountingRoutingSession : private ConstructionStatus, public nVL9738K_24_0::RoutingSessionBase {
 public:
  CountingRoutingSession() : RoutingSessionBase(nullptr, constructed) {}
  void clearRoutingResources() override { ++cleared; }
  void demoteSession() override { demotedAfterClear = cleared > 0; }
  void setRoutingResources(vlark::RoutingResourcesInterface*) override { ++installed; }
  int cleared = 0;
  int installed = 0;
  bool demotedAfterClear = false;
};

// A download makes main-interface sessions stale and releases every routing
// session: cleared, then demoted (the main session's notifier, the routing
// type's only, gets an empty notification), and given none of the new
// resources.
TEST_F(DeviceSessions, ADownloadStalesSessionsEvenAtLevelZeroAndReleasesAndNotifiesTheirRoutingSessions) {
  sim::KernelSockets::reset();
  start();
  Session* before = open();
  ASSERT_NE(before, nullptr);
  nVLAPAL000::tEventDescriptor descriptor{before};
  nVLAPAL000::tIONotifierParams params{7, 4242};
  device->createIONotifier(descriptor, 1, params, status);
  EXPECT_FALSE(before->getNotifier().isInitialized());
  device->createIONotifier(descriptor, Session::kNotifierType, params, status);
  EXPECT_TRUE(before->getNotifier().isInitialized());
  CountingRoutingSession counted;
  device->getRoutingResourcesManager().registerRoutingSession(counted);
  EXPECT_EQ(device->getRoutingResourcesManager().getSessionCount(), 2u);
  EXPECT_EQ(enter(before, Device::kLevelNone), 0);
  device->downloadFpgaImage(status);
  EXPECT_EQ(enter(before, Device::kLevelNone), kStale);
  EXPECT_EQ(std::tuple(counted.cleared, counted.demotedAfterClear, counted.installed), std::tuple(1, true, 0));
  EXPECT_EQ(device->getRoutingResourcesManager().getCurrentResources(), nullptr);
  EXPECT_NE(device->getRegisterPort(), nullptr);
  device->destroyIONotifier(descriptor, Session::kNotifierType);
  const auto sent = sim::KernelSockets::sent();
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_EQ(std::pair(sent[0].type, sent[1].type),
            std::pair(nVLAPAL000::tIONotifier::kTypeNotification, nVLAPAL000::tIONotifier::kTypeClosed));
  EXPECT_EQ(sim::KernelSockets::outstandingBuffers(), 0);
  Session* after = open();
  EXPECT_EQ(enter(after, Device::kLevelLateInitialization), 0);
  EXPECT_EQ(device->getRoutingResourcesManager().getSessionCount(), 1u) << "the download unlinked the others";
  close(after);
  close(before);
  EXPECT_EQ(device->getRoutingResourcesManager().getSessionCount(), 0u);
  tStatus fpga;
  nVLAPAL000::tSession* lym = DeviceOnBoard::open(fpga, 1);
  ASSERT_NE(lym, nullptr);
  EXPECT_EQ(fpga.getCode(), 0);
  nVLAPAL000::tEventDescriptor none{nullptr};
  device->destroySession(none, lym);
  EXPECT_EQ(device->getInFlightCount(), 0u);
}

// Properties clean, power-up timed out.
TEST_F(DeviceSessions, EachLevelMergesItsOneRecord) {
  board.fixedLogic().holdLoPowerDown(true);
  start();
  Session* session = open();
  EXPECT_EQ(enter(session, Device::kLevelProperties), 0);
  EXPECT_EQ(enter(session, Device::kLevelPowerUp), kPowerUpTimedOut);
  close(session);
  const std::pair<uint32_t, int64_t> cases[] = {
      {1, 0}, {0, kPowerUpTimedOut}, {2, kPowerUpTimedOut}, {3, nVLAPALS100::kStatusInvalidParameter}};
  for (const auto& [which, code] : cases) {
    tStatus merged;
    device->mergeDeferredStatus(which, merged);
    EXPECT_EQ(merged.getCode(), code) << which;
  }
}

TEST_F(DeviceSessions, GuardsLockOnlyForACleanInputReleaseAtTheOutermostAndFailAtAClosedGate) {
  start();
  Session* session = open();
  nVLAPAL000::tEventDescriptor descriptor{session};
  nVLAPAL000::tMutex& lock = device->getSessionLock();
  {
    tStatus failed;
    failed.setCode(nVLAPALS100::kStatusInvalidParameter, VL_SITE);
    IoctlEntryHelper guard(*device, descriptor, Device::kLevelNone, failed, true);
    EXPECT_FALSE(guard.isAdmitted());
    EXPECT_EQ(lock.getDepth(), 0u);
  }
  {
    tStatus outer;
    IoctlEntryHelper first(*device, descriptor, Device::kLevelNone, outer, true);
    {
      tStatus inner;
      IoctlEntryHelper second(*device, descriptor, Device::kLevelProperties, inner, false);
      EXPECT_EQ(lock.getDepth(), 2u);
      EXPECT_EQ(device->getInFlightCount(), 2u);
    }
    EXPECT_TRUE(lock.isHeldByCaller());
  }
  EXPECT_EQ(lock.getDepth(), 0u);
  EXPECT_EQ(device->getInFlightCount(), 0u);
  device->setGate(nVLAPAL000::kGateClosed);
  EXPECT_EQ(enter(session, Device::kLevelNone), nVLAPALS100::kStatusGateClosed);
  EXPECT_EQ(lock.getDepth(), 0u);
  tStatus refused;
  EXPECT_EQ(open(refused), nullptr);
  EXPECT_EQ(refused.getCode(), nVLAPALS100::kStatusGateClosed);
  device->setGate(nVLAPAL000::kGateOpen);
  close(session);
}

TEST_F(DeviceSessions, AResetStalesSessionsAndAnEarlyFailureAnswersEveryLevelUntilTheNextReset) {
  start();
  Session* before = open();
  ASSERT_EQ(codeAfter([&](tStatus& reset) { device->reset(reset); }), 0);
  EXPECT_EQ(enter(before, Device::kLevelNone), kStale);
  close(before);

  sim::Memory::allocationFaults().failNth(1, -1);
  tStatus failed;
  device->reset(failed);
  ASSERT_LT(failed.getCode(), 0);
  EXPECT_EQ(device->getGate(), nVLAPAL000::kGateOpen);
  EXPECT_EQ(device->getBoard(), nullptr);
  Session* during = open();
  for (uint32_t level = Device::kLevelFpgaImage; level <= Device::kLevelLateInitialization; ++level) {
    EXPECT_EQ(enter(during, level), failed.getCode()) << level;
  }
  EXPECT_EQ(codeAfter([&](tStatus& late) { device->completeInitialization(late); }), failed.getCode());
  close(during);

  ASSERT_EQ(codeAfter([&](tStatus& again) { device->reset(again); }), 0);
  Session* after = open();
  EXPECT_EQ(enter(after, Device::kLevelLateInitialization), 0);
  close(after);
}

TEST_F(DeviceSessions, QuiesceNeverRefusesAndStopReleasesTheBoard) {
  start();
  Session* session = open();
  nVLAPAL000::tEventDescriptor none{nullptr};
  ASSERT_TRUE(device->changeState(none, nVLAPAL000::kPnPStateIOSuspended, 2, true, status));
  EXPECT_EQ(device->getGate(), nVLAPAL000::kGateSuspended);
  const uint32_t generation = device->getMainSessionGeneration();
  ASSERT_TRUE(device->changeState(none, nVLAPAL000::kPnPStateNotStarted, 0, false, status));
  EXPECT_EQ(device->getMainSessionGeneration(), generation + 1);
  EXPECT_EQ(device->getBoard(), nullptr);
  EXPECT_EQ(device->getDeviceResources(), nullptr);
  close(session);
}

struct Heat {
  int32_t aboveLimit;
  bool overheating;
  bool shutsDown;
};

class ThermalShutdown : public DeviceSessions, public testing::WithParamInterface<Heat> {};

TEST_P(ThermalShutdown, PowersOffStalesSessionsAndFailsLevelThreeUntilAReset) {
  start();
  const Heat heat = GetParam();
  Session* before = open();
  board.fixedLogic().setOverTemperature(heat.overheating);
  const size_t written = board.fixedLogic().timedWrites().size();
  tStatus reading;
  device->thermalShutdown(device->getCapabilities().temperatureLimit() + heat.aboveLimit, reading);
  const auto all = board.fixedLogic().timedWrites();
  std::vector<std::pair<uint64_t, uint32_t>> writes;
  for (size_t index = written; index < all.size(); ++index) writes.emplace_back(all[index].offset, all[index].value);
  if (!heat.shutsDown) {
    EXPECT_EQ(reading.getCode() | static_cast<int64_t>(writes.size()), 0);
    return close(before);
  }
  EXPECT_EQ(reading.getCode(), kOverTemperature);
  const std::vector<std::pair<uint64_t, uint32_t>> powerOff = {
      {0x1004, 0x22222}, {0x1000, 0x22}, {0x204, 0x1000}, {0x204, 0x0}, {0x220, 0x12}};
  EXPECT_EQ(writes, powerOff);
  EXPECT_EQ(device->getGate(), nVLAPAL000::kGateOpen);
  EXPECT_EQ(enter(before, Device::kLevelNone), kStale);
  Session* after = open();
  EXPECT_EQ(enter(after, Device::kLevelProperties), 0);
  EXPECT_EQ(enter(after, Device::kLevelPowerUp), kOverTemperature);
  EXPECT_EQ(enter(after, Device::kLevelLateInitialization), kOverTemperature);
  board.fixedLogic().setOverTemperature(false);
  EXPECT_EQ(codeAfter([&](tStatus& reset) { device->reset(reset); }), 0);
  close(after);
  after = open();
  EXPECT_EQ(enter(after, Device::kLevelLateInitialization), 0);
  close(after);
  close(before);
}

INSTANTIATE_TEST_SUITE_P(Readings, ThermalShutdown,
                         testing::Values(Heat{0, false, true}, Heat{-1, true, true}, Heat{-1, false, false}));

}  // namespace
}  // namespace vltest
