// The device core on its own: the state machine's walks, the gate, the
// drain waits, the defaults of the operations a device does not override,
// and the withdrawal of pending asynchronous operations.
#include <gtest/gtest.h>

#include <memory>

#include "TestDevice.h"
#include "driver/platform/device/DeviceSites.h"
#include "driver/platform/device/tDeviceCore.h"
#include "driver/platform/device/tUserBuffer.h"
#include "driver/platform/memory/Memory.h"
#include "driver/platform/status/SourceSites.h"
#include "sim/kernel/Kernel.h"
#include "tests/support/StatusChecks.h"

namespace {

using nVLAPAL000::tEventDescriptor;
using nVLAPALS100::tStatus;
using vltest::Site;
using vltest::siteOf;
using vltest::TestDevice;
using Transitions = std::vector<std::string>;

constexpr tEventDescriptor kNoSession{nullptr};

struct DeviceDeleter {
  void operator()(nVLAPAL000::tDevice* device) const { nVLAPAL000::tDevice::onDeleteDevice(device); }
};

template <typename T = TestDevice>
std::unique_ptr<T, DeviceDeleter> makeDevice(tStatus& status) {
  return std::unique_ptr<T, DeviceDeleter>(new (status, nVLAPAL000::kAllocationKindPlain) T(status));
}

class DeviceCore : public testing::Test {
 protected:
  bool walkTo(nVLAPAL000::tPnPState target, uint32_t reason, bool refuseIfOpen, tStatus& record) {
    tEventDescriptor descriptor = kNoSession;
    return device->changeState(descriptor, target, reason, refuseIfOpen, record);
  }
  bool walkTo(nVLAPAL000::tPnPState target) { return walkTo(target, 1, false, status); }

  tStatus status{tStatus::kFullSize};
  std::unique_ptr<TestDevice, DeviceDeleter> device = makeDevice(status);
};

TEST_F(DeviceCore, FreshDeviceRefusesRequestsUntilItsGateOpens) {
  EXPECT_EQ(device->getState(), nVLAPAL000::kPnPStateNotStarted);
  EXPECT_FALSE(device->beginIO(nullptr, status, nVLAPAL000::kWaitForever));
  EXPECT_EQ(siteOf(status), (Site{nVLAPALS100::kStatusGateClosed, nVLAPAL000::sites::kDeviceCore, 446}));
  EXPECT_EQ(device->getInFlightCount(), 0u);
  device->setGate(nVLAPAL000::kGateOpen);
  tStatus admitted;
  EXPECT_TRUE(device->beginIO(nullptr, admitted, nVLAPAL000::kWaitForever));
  EXPECT_EQ(device->getInFlightCount(), 1u);
  device->endIO(nullptr);
  EXPECT_EQ(device->getInFlightCount(), 0u);
}

TEST_F(DeviceCore, AnErrorOnEntryAdmitsNothingAndChangesNoState) {
  device->setGate(nVLAPAL000::kGateOpen);
  status.setCode(-52010, VL_SITE);
  EXPECT_FALSE(device->beginIO(nullptr, status, nVLAPAL000::kWaitForever));
  EXPECT_EQ(device->getInFlightCount(), 0u);
  EXPECT_FALSE(walkTo(nVLAPAL000::kPnPStateReady));
  EXPECT_TRUE(device->transitions().empty());
  EXPECT_EQ(status.getCode(), -52010);
}

TEST_F(DeviceCore, StateMachineWalksRecordTheirTransitionsAndThePreviousState) {
  struct Walk {
    nVLAPAL000::tPnPState target;
    Transitions transitions;
    nVLAPAL000::tPnPState previous;
    uint32_t gate;
  };
  const Walk walks[] = {
      {nVLAPAL000::kPnPStateReady, {"start"}, nVLAPAL000::kPnPStateNotStarted, nVLAPAL000::kGateOpen},
      {nVLAPAL000::kPnPStateSleep, {"quiesce", "sleep"}, nVLAPAL000::kPnPStateIOSuspended, nVLAPAL000::kGateClosed},
      {nVLAPAL000::kPnPStateReady, {"wake", "openStateGate"}, nVLAPAL000::kPnPStateIOSuspended, nVLAPAL000::kGateOpen},
      {nVLAPAL000::kPnPStateNotStarted, {"quiesce", "stop"}, nVLAPAL000::kPnPStateIOSuspended, nVLAPAL000::kGateClosed},
      {nVLAPAL000::kPnPStateNotPresent, {"markNotPresent"}, nVLAPAL000::kPnPStateNotStarted, nVLAPAL000::kGateClosed},
  };
  for (const Walk& walk : walks) {
    device->clearTransitions();
    EXPECT_TRUE(walkTo(walk.target)) << "to " << walk.target;
    EXPECT_EQ(device->transitions(), walk.transitions) << "to " << walk.target;
    EXPECT_EQ(device->getState(), walk.target);
    EXPECT_EQ(device->getPreviousState(), walk.previous) << "to " << walk.target;
    EXPECT_EQ(device->getGate(), walk.gate) << "to " << walk.target;
    device->clearTransitions();
    EXPECT_TRUE(walkTo(walk.target)) << "again to " << walk.target;
    EXPECT_TRUE(device->transitions().empty()) << "a change to the current state calls nothing";
    EXPECT_EQ(device->getPreviousState(), walk.previous) << "again to " << walk.target;
  }
  EXPECT_EQ(status.getCode(), 0);
}

// Not present is final: there is no walk out of it, and asking for one
// must fail at once rather than circle. Nor is there a state 5.
TEST_F(DeviceCore, LeavingNotPresentOrGoingNowhereIsRefusedAsInvalid) {
  tStatus nowhere;
  EXPECT_FALSE(walkTo(5, 1, false, nowhere));
  EXPECT_EQ(nowhere.getCode(), nVLAPALS100::kStatusInvalidParameter);
  EXPECT_TRUE(device->transitions().empty());
  ASSERT_TRUE(walkTo(nVLAPAL000::kPnPStateNotPresent));
  device->clearTransitions();
  for (nVLAPAL000::tPnPState target = nVLAPAL000::kPnPStateNotStarted; target < nVLAPAL000::kPnPStateNotPresent;
       ++target) {
    tStatus refused;
    EXPECT_FALSE(walkTo(target, 1, false, refused)) << "to " << target;
    EXPECT_EQ(refused.getCode(), nVLAPALS100::kStatusInvalidParameter) << "to " << target;
  }
  EXPECT_TRUE(device->transitions().empty());
  EXPECT_EQ(device->getState(), nVLAPAL000::kPnPStateNotPresent);
  EXPECT_TRUE(walkTo(nVLAPAL000::kPnPStateNotPresent));
}

TEST_F(DeviceCore, QuiesceClosesTheGateBelowReasonTwoAndSuspendsItFromTwoOn) {
  for (uint32_t reason : {0u, 1u, 2u, 3u}) {
    device->setGate(nVLAPAL000::kGateOpen);
    tEventDescriptor descriptor = kNoSession;
    EXPECT_TRUE(device->quiesce(descriptor, reason, true));
    EXPECT_EQ(device->getGate(), reason < 2 ? nVLAPAL000::kGateClosed : nVLAPAL000::kGateSuspended)
        << "reason " << reason;
  }
}

TEST_F(DeviceCore, DrainWaitsThatCannotWaitReportATimeout) {
  device->setGate(nVLAPAL000::kGateOpen);
  ASSERT_TRUE(device->beginIO(nullptr, status, 0));
  const auto drain = [&](uint32_t timeoutMs) {
    return vltest::codeAfter([&](tStatus& s) { device->waitForDrain(false, s, timeoutMs); });
  };
  EXPECT_EQ(drain(0), nVLAPALS100::kStatusTimeout);
  EXPECT_EQ(drain(25), nVLAPALS100::kStatusTimeout);
  device->endIO(nullptr);
  EXPECT_EQ(drain(0), 0);
  EXPECT_EQ(drain(0), 0) << "a passed drain hands the signal on";
}

// Spin locks are created in field order; once one fails, none of the
// later ones is even tried.
TEST(DeviceCoreConstruction, RefusedSpinLocksAreOutOfMemoryAtTheirOwnSites) {
  const uint64_t expectedLine[] = {1083, 1919, 1919};
  for (uint64_t nth = 1; nth <= 3; ++nth) {
    sim::Sync::spinLockCreationFaults().failNth(nth, 0);
    tStatus status(tStatus::kFullSize);
    auto device = makeDevice(status);
    EXPECT_EQ(siteOf(status),
              (Site{nVLAPALS100::kStatusOutOfMemory, nVLAPAL000::sites::kSynchronization, expectedLine[nth - 1]}))
        << "lock " << nth;
    EXPECT_EQ(sim::Sync::spinLockCreationFaults().calls(), nth) << "lock " << nth;
  }
}

// A device that overrides only what a bus device must: every other
// operation keeps the core's default. The defaults that user mode reaches
// (write, I/O control, notifiers) are the kernel-callback tests' business.
class BareDevice : public nVLAPAL000::tDevice {
 public:
  explicit BareDevice(tStatus& status) : tDevice(status) {}
  void startBus(uint64_t, tStatus&) override {}
  void stopBus() override {}
  void buildProperties() override {}
  nVLAPAL000::tProperty** getPCIProperties() override { return nullptr; }
};

TEST(DeviceCoreDefaults, UnsupportedOperationsRefuseAtTheirOwnLines) {
  tStatus construction;
  auto device = makeDevice<BareDevice>(construction);
  ASSERT_EQ(construction.getCode(), 0);
  tEventDescriptor descriptor = kNoSession;
  struct Case {
    const char* name;
    uint64_t line;
    void (*call)(BareDevice&, tEventDescriptor&, tStatus&);
  };
  const Case cases[] = {
      {"createSession", 115, [](BareDevice& d, tEventDescriptor& e, tStatus& s) { d.createSession(e, nullptr, s); }},
      {"read", 143,
       [](BareDevice& d, tEventDescriptor& e, tStatus& s) {
         nVLAPAL000::tUserBuffer buffer(e, uint64_t{0}, 0, s);
         EXPECT_EQ(d.read(e, buffer, s), 0u);
       }},
      {"mapMemory", 172, [](BareDevice& d, tEventDescriptor& e, tStatus& s) { d.mapMemory(e, nullptr, s); }},
  };
  for (const Case& refused : cases) {
    tStatus status(tStatus::kFullSize);
    refused.call(*device, descriptor, status);
    EXPECT_EQ(siteOf(status), (Site{nVLAPALS100::kStatusNotSupported, nVLAPAL000::sites::kDeviceCore, refused.line}))
        << refused.name;
  }
  EXPECT_EQ(device->getDeviceInterfaces(), nullptr);
  EXPECT_EQ(device->getDeviceProperties(), nullptr);
  tStatus opened;
  EXPECT_EQ(device->openDeviceInterface(descriptor, nullptr, opened), nullptr);
  EXPECT_EQ(opened.getCode(), nVLAPALS100::kStatusNotSupported);
  EXPECT_EQ(device->getOpenSessionCount(), 0u);
}

// An operation that records what happens to it.
class RecordingIO : public nVLAPAL000::tAsyncIO {
 public:
  RecordingIO(nVLAPAL000::tDeviceCore* device, nVLAPAL000::tSession* session, bool withdrawable = true)
      : tAsyncIO(device, session), withdrawable_(withdrawable) {}
  void startCallback() override { ++started; }
  void completeCallback(void* result) override {
    ++completed;
    completedWithResult = result != nullptr;
  }
  bool cancel() override {
    ++cancels;
    return withdrawable_;
  }

  int started = 0;
  int completed = 0;
  int cancels = 0;
  bool completedWithResult = false;

 private:
  bool withdrawable_;
};

class DeviceCoreAsyncIO : public testing::Test {
 protected:
  DeviceCoreAsyncIO() {
    device->setGate(nVLAPAL000::kGateOpen);
    tEventDescriptor descriptor = kNoSession;
    for (auto& session : sessions) session = device->openDeviceInterface(descriptor, &device->interface(), status);
  }
  ~DeviceCoreAsyncIO() override {
    for (auto* session : sessions) {
      tEventDescriptor descriptor{session};
      device->beginSessionClose(descriptor);
      device->closeDeviceInterface(descriptor, session);
    }
  }

  tStatus status{tStatus::kFullSize};
  std::unique_ptr<TestDevice, DeviceDeleter> device = makeDevice(status);
  nVLAPAL000::tSession* sessions[2] = {};
};

TEST_F(DeviceCoreAsyncIO, StartedOperationHoldsAnAdmittedRequestUntilTheFlushWithdrawsIt) {
  RecordingIO operation(device.get(), sessions[0]);
  ASSERT_TRUE(device->startAsyncIO(operation, status));
  EXPECT_EQ(operation.started, 1);
  EXPECT_TRUE(operation.isPending());
  EXPECT_EQ(device->getInFlightCount(), 1u);
  EXPECT_EQ(sessions[0]->getInFlightCount(), 1u);
  device->flushPendingAsyncIO();
  EXPECT_EQ(operation.cancels, 1);
  EXPECT_TRUE(operation.isCancelled());
  EXPECT_FALSE(operation.isPending());
  EXPECT_EQ(operation.completed, 1);
  EXPECT_FALSE(operation.completedWithResult);
  EXPECT_EQ(device->getInFlightCount(), 0u);
  EXPECT_EQ(sessions[0]->getInFlightCount(), 0u);
  device->flushPendingAsyncIO();
  EXPECT_EQ(operation.cancels, 1) << "a withdrawn operation is not cancelled twice";
}

TEST_F(DeviceCoreAsyncIO, ExemptOrDecliningOperationsStayPendingUntilTheyComplete) {
  RecordingIO exempt(device.get(), sessions[0]);
  exempt.setCancelExempt(true);
  RecordingIO declining(device.get(), sessions[0], false);
  ASSERT_TRUE(device->startAsyncIO(exempt, status));
  ASSERT_TRUE(device->startAsyncIO(declining, status));
  device->flushPendingAsyncIO();
  EXPECT_EQ(exempt.cancels, 0);
  EXPECT_TRUE(exempt.isPending());
  EXPECT_EQ(declining.cancels, 1);
  EXPECT_TRUE(declining.isCancelled());
  EXPECT_TRUE(declining.isPending());
  EXPECT_EQ(device->getInFlightCount(), 2u);
  device->flushPendingAsyncIO();
  EXPECT_EQ(declining.cancels, 1) << "a cancelled operation is asked only once";
  int result = 0;
  EXPECT_TRUE(device->completeAsyncIO(declining, &result));
  EXPECT_TRUE(declining.completedWithResult);
  EXPECT_TRUE(device->completeAsyncIO(exempt, &result));
  EXPECT_FALSE(device->completeAsyncIO(exempt, &result));
  EXPECT_EQ(exempt.completed, 1);
  EXPECT_EQ(device->getInFlightCount(), 0u);
  EXPECT_EQ(sessions[0]->getInFlightCount(), 0u);
}

TEST_F(DeviceCoreAsyncIO, SessionCloseCancelsOnlyThatSessionsOperationsAndRefusesNewOnes) {
  RecordingIO mine(device.get(), sessions[0]);
  RecordingIO theirs(device.get(), sessions[1]);
  ASSERT_TRUE(device->startAsyncIO(mine, status));
  ASSERT_TRUE(device->startAsyncIO(theirs, status));
  tEventDescriptor descriptor{sessions[0]};
  device->beginSessionClose(descriptor);
  EXPECT_FALSE(mine.isPending());
  EXPECT_TRUE(theirs.isPending());
  EXPECT_TRUE(sessions[0]->isClosing());
  RecordingIO late(device.get(), sessions[0]);
  EXPECT_EQ(siteOf(vltest::statusAfter([&](tStatus& s) { EXPECT_FALSE(device->startAsyncIO(late, s)); })),
            (Site{nVLAPALS100::kStatusSessionClosing, nVLAPAL000::sites::kDeviceCore, 520}));
  EXPECT_EQ(late.started, 0);
  EXPECT_EQ(device->getInFlightCount(), 1u);
  device->flushPendingAsyncIO();
  EXPECT_FALSE(theirs.isPending());
}

TEST_F(DeviceCoreAsyncIO, StartOnAGateThatIsNotOpenIsRefusedWithoutWaiting) {
  for (uint32_t gate : {nVLAPAL000::kGateClosed, nVLAPAL000::kGateSuspended}) {
    device->setGate(gate);
    RecordingIO operation(device.get(), sessions[0]);
    EXPECT_EQ(siteOf(vltest::statusAfter([&](tStatus& s) { EXPECT_FALSE(device->startAsyncIO(operation, s)); })),
              (Site{nVLAPALS100::kStatusGateClosed, nVLAPAL000::sites::kDeviceCore, 501}))
        << "gate " << gate;
    EXPECT_EQ(device->getInFlightCount(), 0u);
  }
}

}  // namespace
