#include <gtest/gtest.h>

#include <cstdint>
#include <utility>
#include <vector>

#include "driver/platform/idle/CompositeIdleTracker.h"
#include "driver/rf/reservation/SharedReservationSingleSettingsDeployPolicy.h"
#include "driver/rf/reservation/SharedReservationSuggestedSettingsDeployPolicy.h"
#include "driver/rf/settings/CrossSwitchSettings.h"
#include "driver/rf/settings/PowerSettings.h"
#include "driver/rf/settings/RefClockSettings.h"
#include "sim/idletracker/IdleTracker.h"
#include "tests/rf/reservation/PolicyChecks.h"

namespace {

using namespace rfyulreserve_impl;
using namespace vltest;
using nVLAPALS100::tStatus;
using rfyulreserve::ReservationClientID;
using rfyulreserve::tokenValue;
using vl9738settings::CrossSwitchSettings;
using vl9738settings::PowerSettings;
using vl9738settings::RefClockSettings;

using PowerPolicy = SharedReservationSuggestedSettingsDeployPolicy<PowerSettings>;
using CrossSwitchPolicy = SharedReservationSuggestedSettingsDeployPolicy<CrossSwitchSettings>;
using RefClockPolicy = SharedReservationSingleSettingsDeployPolicy<RefClockSettings>;
using Calls = std::vector<std::pair<uint32_t, bool>>;

constexpr int64_t kCode = kReservationInvalidCode;
constexpr const char* kBase = "SharedReservationPolicyBase";
const Site kPowerConflict{kReservationConflictCode, "SharedReservationSuggestedSettingsDeployPolicy", 221};

PowerSettings power(uint16_t amplitude, uint8_t suggest = 0) { return PowerSettings(suggest, 0, 0, amplitude, 10); }

Calls gCallbacks;
void recordCallback(ReservationClientID id, bool idle, tStatus&) { gCallbacks.emplace_back(tokenValue(id), idle); }

// An engine that asks the idle tracker about the client, as the device's do.
class TrackerActivity : public rfyulreserve::iDeviceActivityAccess {
 public:
  bool isIdle(ReservationClientID id, tStatus& status) const override {
    return rfCompositeIdleTracker_getStatus(tokenValue(id), &status) == 1;
  }
  const char* getDescriptor() const override { return "Generation Engine"; }
};

class PolicyBaseTest : public testing::Test {
 protected:
  PolicyBaseTest() {
    gCallbacks.clear();
    sim::IdleTracker::reset();
  }
  ~PolicyBaseTest() override { sim::IdleTracker::reset(); }

  Site defer(uint32_t id) {
    return siteOf(
        statusAfter([&](tStatus& s) { policy.deferReleaseUntilIdle(client(id), &activity, recordCallback, s); }));
  }
  void releaseIfIdle() {
    tStatus status;
    policy.releaseIfIdle(status);
    EXPECT_EQ(status.getCode(), 0);
  }

  PowerPolicy policy{"9738 LO0 Power", kReservationConflictCode, true};
  TrackerActivity activity;
};

TEST_F(PolicyBaseTest, AClientMustDeployBeforeReservingAndClientZeroCannotDeploy) {
  EXPECT_EQ(reserve(policy, 5).site, (Site{kCode, kBase, 326}));
  EXPECT_EQ(deploy(policy, 0, power(1)), (Site{kCode, kBase, 427}));
  EXPECT_EQ(policy.firstClient(), nullptr);
}

TEST_F(PolicyBaseTest, ReleaseCountsDownAndRunsTheStoredCallbackOnceAtZero) {
  hold(policy, 3, power(1));
  reserve(policy, 3);
  defer(3);
  for (uint32_t count : {1u, 0u, 0u}) {
    policy.release(client(3));
    EXPECT_EQ(countOf(policy, 3), count);
  }
  EXPECT_EQ(gCallbacks, (Calls{{3, true}}));
}

TEST_F(PolicyBaseTest, DeferReleaseChecksItsConditionsInOrder) {
  struct Row {
    bool activity, callback, anyRecord, reserved, deferred;
    unsigned line;
  };
  for (const Row& row : {Row{false, false, false, false, false, 238}, Row{true, false, false, false, false, 244},
                         Row{true, true, false, false, false, 250}, Row{true, true, true, false, false, 258},
                         Row{true, true, true, true, true, 264}}) {
    PowerPolicy fresh{"p", kReservationConflictCode, true};
    tStatus status;
    if (row.anyRecord) deploy(fresh, 2, power(1));
    if (row.reserved) reserve(fresh, 2);
    if (row.deferred) fresh.deferReleaseUntilIdle(client(2), &activity, recordCallback, status);
    const tStatus result = statusAfter([&](tStatus& s) {
      fresh.deferReleaseUntilIdle(client(2), row.activity ? &activity : nullptr,
                                  row.callback ? recordCallback : nullptr, s);
    });
    EXPECT_EQ(siteOf(result), (Site{kCode, kBase, row.line}));
  }
}

TEST_F(PolicyBaseTest, ADeferredReleaseTakesOneReservationPerPassOnceTheTrackerReportsIdle) {
  tStatus status;
  const uint32_t id = rfCompositeIdleTracker_createIdleID(&status);
  hold(policy, id, power(1));
  reserve(policy, id);
  reserve(policy, id);
  EXPECT_EQ(defer(id), kClean);
  releaseIfIdle();
  releaseIfIdle();
  EXPECT_EQ(countOf(policy, id), 3u);
  sim::IdleTracker::setIdle(id, true);
  releaseIfIdle();
  EXPECT_EQ(countOf(policy, id), 2u);
  hold(policy, 9, power(1));  // another client's reserve runs the pass first
  EXPECT_EQ(countOf(policy, id), 1u);
  EXPECT_EQ(gCallbacks, (Calls{{id, false}, {id, false}, {id, true}, {id, true}}));
  // The client's own reserve runs the pass too, then cancels the deferral.
  reserve(policy, id);
  releaseIfIdle();
  EXPECT_EQ(countOf(policy, id), 1u);
  EXPECT_EQ(gCallbacks.size(), 5u);
}

TEST_F(PolicyBaseTest, ReleaseAllDropsTheRecordAndDeviceResetRunsNoCallback) {
  policy.releaseAll(client(4));
  hold(policy, 4, power(1));
  hold(policy, 6, power(1));
  defer(4);
  defer(6);
  policy.releaseAll(client(4));
  EXPECT_EQ(policy.findClient(client(4)), nullptr);
  policy.deviceReset();
  EXPECT_EQ(policy.firstClient(), nullptr);
  EXPECT_EQ(gCallbacks, (Calls{{4, true}}));
  EXPECT_EQ(policy.coercedSettings, power(1));
}

TEST_F(PolicyBaseTest, ACommittedLoneSuggestionDoesNotServeAnOtherwiseEqualConcreteClient) {
  deploy(policy, 1, power(5, 1));
  EXPECT_EQ(reserve(policy, 1), (Answer{kClean, 0, 0}));  // stale since construction
  tStatus status;
  policy.markSettingsCommitted(status);
  EXPECT_EQ(policy.committedSettings, power(5, 1));
  deploy(policy, 2, power(5));
  EXPECT_EQ(reserve(policy, 2), (Answer{kClean, 0, 0}));
}

TEST(SuggestedSettingsPolicy, ConcreteRequestsMustAgreeWhileSuggestionsYield) {
  PowerPolicy policy{"9738 LO1 Power", kReservationConflictCode, true};
  hold(policy, 1, power(100));
  deploy(policy, 2, power(200));
  EXPECT_EQ(reserve(policy, 2), (Answer{kPowerConflict, 77, 1}));
  EXPECT_EQ(countOf(policy, 2), 0u);
  EXPECT_EQ(policy.coercedSettings, power(100));
  hold(policy, 3, power(100));
  EXPECT_EQ(deploy(policy, 3, power(300)), kPowerConflict);  // a holder's deploy merges at once
  EXPECT_EQ(policy.findClient(client(3))->settings, power(300));
  EXPECT_EQ(policy.coercedSettings, power(100));

  CrossSwitchPolicy cross{"9738 Cross Switch Mode", kReservationConflictCode, false};
  hold(cross, 1, CrossSwitchSettings(1, 0, 0, 3));
  hold(cross, 2, CrossSwitchSettings(0, 0, 0, 9));  // only a suggestion holds
  EXPECT_EQ(cross.coercedSettings.mode, 9);
  EXPECT_EQ(deploy(cross, 2, CrossSwitchSettings(0, 0, 0, 5)), kClean);  // no merge on deploy
  EXPECT_EQ(cross.coercedSettings.mode, 9);
}

TEST(SingleSettingsPolicy, EveryHolderMustAskForTheSameValue) {
  RefClockPolicy policy{"9738 Reference Clock Source", kRefClockConflictCode};
  const RefClockSettings base;
  RefClockSettings other = base, third = base;
  other.lockDetectWindow = 6;
  third.refOut = 1;
  deploy(policy, 1, base);
  deploy(policy, 3, third);
  hold(policy, 5, other);
  hold(policy, 2, other);
  const Site conflict{kRefClockConflictCode, "SharedReservationSingleSettingsDeployPolicy", 88};
  EXPECT_EQ(reserve(policy, 3), (Answer{conflict, 77, 2}));  // the lowest differing holder
  policy.release(client(2));
  policy.release(client(5));
  EXPECT_EQ(reserve(policy, 1).site, kClean);  // a count of 0 is skipped
  deploy(policy, 1, third);
  EXPECT_EQ(policy.coercedSettings, base);  // a deploy reaches it only through a reserve
  deploy(policy, 1, base);
  tStatus status;
  policy.markSettingsCommitted(status);
  EXPECT_EQ(reserve(policy, 1), (Answer{kClean, 1, 0}));
}

}  // namespace
