#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <utility>
#include <vector>

#include "driver/rf/reservation/CompositeIdleTracker.h"
#include "driver/rf/reservation/SharedReservationSingleSettingsDeployPolicy.h"
#include "driver/rf/reservation/SharedReservationSuggestedSettingsDeployPolicy.h"
#include "driver/rf/settings/CrossSwitchSettings.h"
#include "driver/rf/settings/PowerSettings.h"
#include "driver/rf/settings/RefClockSettings.h"
#include "sim/idletracker/IdleTracker.h"
#include "tests/support/StatusChecks.h"

namespace {

using namespace rfyulreserve_impl;
using nVLAPALS100::tStatus;
using rfyulreserve::iDeviceActivityAccess;
using rfyulreserve::ReservationClientID;
using rfyulreserve::tokenValue;
using vl9738settings::CrossSwitchSettings;
using vl9738settings::PowerSettings;
using vl9738settings::RefClockSettings;
using vltest::Site;

using PowerPolicy = SharedReservationSuggestedSettingsDeployPolicy<PowerSettings>;
using CrossSwitchPolicy = SharedReservationSuggestedSettingsDeployPolicy<CrossSwitchSettings>;
using RefClockPolicy = SharedReservationSingleSettingsDeployPolicy<RefClockSettings>;

constexpr int64_t kCode = kReservationInvalidCode;
constexpr const char* kBase = "SharedReservationPolicyBase";
constexpr const char* kSuggested = "SharedReservationSuggestedSettingsDeployPolicy";

ReservationClientID id(uint32_t value) { return ReservationClientID{value}; }
PowerSettings power(uint16_t amplitude, uint8_t suggest = 0) { return PowerSettings(suggest, 0, 0, amplitude, 10); }

struct Answer {
  Site site;
  uint32_t dirtiness;
  uint32_t conflicting;
  bool operator==(const Answer&) const = default;
};

void PrintTo(const Answer& answer, std::ostream* out) {
  vltest::PrintTo(answer.site, out);
  *out << ", dirtiness " << answer.dirtiness << ", conflicting " << answer.conflicting;
}

template <typename tPolicy>
Answer reserve(tPolicy& policy, uint32_t client) {
  uint32_t dirtiness = 77;
  ReservationClientID conflicting{0};
  const tStatus status =
      vltest::statusAfter([&](tStatus& s) { policy.reserve(id(client), dirtiness, conflicting, s); });
  return {vltest::siteOf(status), dirtiness, tokenValue(conflicting)};
}

template <typename tPolicy>
uint32_t countOf(const tPolicy& policy, uint32_t client) {
  auto* record = policy.findClient(id(client));
  return record != nullptr ? record->reserveCount : 0xDEAD;
}

template <typename tPolicy, typename tSettings>
void deploy(tPolicy& policy, uint32_t client, const tSettings& settings) {
  tStatus status;
  policy.deploySettings(id(client), settings, status);
}

const Site kClean{0, "", 0};

std::vector<std::pair<uint32_t, bool>> gCallbacks;
void recordCallback(ReservationClientID client, bool idle, tStatus&) {
  gCallbacks.emplace_back(tokenValue(client), idle);
}

// An engine that asks the idle tracker about the client, as the device's do.
class TrackerActivity : public iDeviceActivityAccess {
 public:
  bool isIdle(ReservationClientID client, tStatus& status) const override {
    return rfCompositeIdleTracker_getStatus(tokenValue(client), &status) == 1;
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

  void defer(uint32_t client, tStatus& status) {
    policy.deferReleaseUntilIdle(id(client), &activity, recordCallback, status);
  }

  PowerPolicy policy{"9738 LO0 Power", kReservationConflictCode, true};
  TrackerActivity activity;
};

TEST_F(PolicyBaseTest, AClientMustDeployBeforeReservingAndClientZeroCannotDeploy) {
  EXPECT_EQ(reserve(policy, 5).site, (Site{kCode, kBase, 326}));
  EXPECT_EQ(policy.firstClient(), nullptr);
  const tStatus status = vltest::statusAfter([&](tStatus& s) { policy.deploySettings(id(0), power(1), s); });
  EXPECT_EQ(vltest::siteOf(status), (Site{kCode, kBase, 427}));
  EXPECT_EQ(policy.firstClient(), nullptr);
}

TEST_F(PolicyBaseTest, ReleaseCountsDownAndRunsTheStoredCallbackOnceAtZero) {
  deploy(policy, 3, power(1));
  reserve(policy, 3);
  reserve(policy, 3);
  tStatus status;
  defer(3, status);
  policy.release(id(3));
  EXPECT_EQ(countOf(policy, 3), 1u);
  EXPECT_TRUE(gCallbacks.empty());
  policy.release(id(3));
  policy.release(id(3));
  EXPECT_EQ(countOf(policy, 3), 0u);
  EXPECT_EQ(gCallbacks, (std::vector<std::pair<uint32_t, bool>>{{3, true}}));
}

TEST_F(PolicyBaseTest, DeferReleaseChecksItsConditionsInOrder) {
  struct Row {
    bool activity, callback, anyRecord, reserved, deferred;
    unsigned line;
  };
  const Row rows[] = {{false, false, false, false, false, 238},
                      {true, false, false, false, false, 244},
                      {true, true, false, false, false, 250},
                      {true, true, true, false, false, 258},
                      {true, true, true, true, true, 264}};
  for (const Row& row : rows) {
    PowerPolicy fresh{"p", kReservationConflictCode, true};
    if (row.anyRecord) deploy(fresh, 2, power(1));
    if (row.reserved) reserve(fresh, 2);
    tStatus status;
    if (row.deferred) fresh.deferReleaseUntilIdle(id(2), &activity, recordCallback, status);
    const tStatus result = vltest::statusAfter([&](tStatus& s) {
      fresh.deferReleaseUntilIdle(id(2), row.activity ? &activity : nullptr, row.callback ? recordCallback : nullptr,
                                  s);
    });
    EXPECT_EQ(vltest::siteOf(result), (Site{kCode, kBase, row.line}));
  }
}

TEST_F(PolicyBaseTest, ADeferredReleaseWaitsForTheTrackerToReportIdle) {
  tStatus status;
  const uint32_t client = rfCompositeIdleTracker_createIdleID(&status);
  deploy(policy, client, power(1));
  for (int i = 0; i < 3; ++i) reserve(policy, client);
  defer(client, status);
  policy.releaseIfIdle(status);
  policy.releaseIfIdle(status);
  EXPECT_EQ(countOf(policy, client), 3u);
  sim::IdleTracker::setIdle(client, true);
  policy.releaseIfIdle(status);
  EXPECT_EQ(countOf(policy, client), 2u);
  deploy(policy, 9, power(1));
  EXPECT_EQ(reserve(policy, 9).site, kClean);  // a reserve runs the idle pass first
  EXPECT_EQ(countOf(policy, client), 1u);
  using Calls = std::vector<std::pair<uint32_t, bool>>;
  EXPECT_EQ(gCallbacks, (Calls{{client, false}, {client, false}, {client, true}, {client, true}}));

  // The client's own reserve still runs the pass (taking its last
  // reservation), then cancels the deferral.
  reserve(policy, client);
  policy.releaseIfIdle(status);
  EXPECT_EQ(countOf(policy, client), 1u);
  EXPECT_EQ(gCallbacks.size(), 5u);
  EXPECT_EQ(status.getCode(), 0);
}

TEST_F(PolicyBaseTest, ReleaseAllDropsTheRecordAndDeviceResetRunsNoCallback) {
  tStatus status;
  policy.releaseAll(id(4));
  for (uint32_t client : {4u, 6u}) {
    deploy(policy, client, power(1));
    reserve(policy, client);
  }
  defer(4, status);
  defer(6, status);
  policy.releaseAll(id(4));
  EXPECT_EQ(policy.findClient(id(4)), nullptr);
  EXPECT_EQ(gCallbacks, (std::vector<std::pair<uint32_t, bool>>{{4, true}}));
  policy.deviceReset();
  EXPECT_EQ(policy.firstClient(), nullptr);
  EXPECT_EQ(gCallbacks.size(), 1u);
  EXPECT_EQ(policy.coercedSettings, power(1));
}

TEST_F(PolicyBaseTest, DirtinessIsZeroWhileStaleThenFollowsTheCommittedValue) {
  deploy(policy, 1, power(5, 1));
  EXPECT_EQ(reserve(policy, 1).dirtiness, 0u);  // stale since construction, even for a suggestion
  tStatus failed;
  failed.setCode(-1, "x", "y", 1);
  policy.markSettingsCommitted(failed);
  EXPECT_EQ(policy.committedSettingsStale, 1);
  tStatus status;
  policy.markSettingsCommitted(status);
  EXPECT_EQ(reserve(policy, 1).dirtiness, 1u);
  // The committed lone suggestion keeps its flag, so an otherwise equal
  // concrete request still has to be committed.
  deploy(policy, 2, power(5));
  EXPECT_EQ(reserve(policy, 2), (Answer{kClean, 0, 0}));
  policy.markSettingsCommitted(status);
  deploy(policy, 3, power(5));
  EXPECT_EQ(reserve(policy, 3).dirtiness, 1u);
}

TEST(SuggestedSettingsPolicy, ConcreteRequestsMustAgreeAndSuggestionsYield) {
  PowerPolicy policy{"9738 LO1 Power", kReservationConflictCode, true};
  deploy(policy, 1, power(100));
  reserve(policy, 1);
  deploy(policy, 2, power(200));
  EXPECT_EQ(reserve(policy, 2), (Answer{{kReservationConflictCode, kSuggested, 221}, 77, 1}));
  EXPECT_EQ(countOf(policy, 2), 0u);
  EXPECT_EQ(policy.coercedSettings, power(100));

  deploy(policy, 3, power(300));
  policy.release(id(1));
  deploy(policy, 2, power(7, 1));
  EXPECT_EQ(reserve(policy, 2).site, kClean);  // only a suggestion holds: the concrete client is free
  EXPECT_EQ(reserve(policy, 3).site, kClean);
  EXPECT_EQ(policy.coercedSettings, power(300));
  reserve(policy, 1);
  deploy(policy, 1, power(300));
  deploy(policy, 4, power(9, 1));
  EXPECT_EQ(reserve(policy, 4).site, kClean);
  EXPECT_EQ(policy.coercedSettings, power(300));  // the highest-id concrete holder's value
}

TEST(SuggestedSettingsPolicy, AHolderDeployingAConflictKeepsItsValueButNotTheCoercedOne) {
  PowerPolicy power0{"9738 LO0 Power", kReservationConflictCode, true};
  for (uint32_t client : {1u, 2u}) {
    deploy(power0, client, power(100));
    reserve(power0, client);
  }
  const tStatus status = vltest::statusAfter([&](tStatus& s) { power0.deploySettings(id(2), power(200), s); });
  EXPECT_EQ(vltest::siteOf(status), (Site{kReservationConflictCode, kSuggested, 221}));
  EXPECT_EQ(power0.findClient(id(2))->settings, power(200));
  EXPECT_EQ(power0.coercedSettings, power(100));

  CrossSwitchPolicy cross{"9738 Cross Switch Mode", kReservationConflictCode, false};
  for (uint32_t client : {1u, 2u}) {
    deploy(cross, client, CrossSwitchSettings(0, 0, 0, 3));
    reserve(cross, client);
  }
  EXPECT_EQ(vltest::codeAfter([&](tStatus& s) { cross.deploySettings(id(2), CrossSwitchSettings(0, 0, 0, 9), s); }), 0);
  EXPECT_EQ(cross.coercedSettings.mode, 3);
  EXPECT_EQ(reserve(cross, 2).site.line, 221u);
}

TEST(SingleSettingsPolicy, EveryHolderMustAskForTheSameValue) {
  RefClockPolicy policy{"9738 Reference Clock Source", kRefClockConflictCode};
  const RefClockSettings base;
  RefClockSettings other = base;
  other.lockDetectWindow = 6;
  RefClockSettings third = base;
  third.refOut = 1;
  deploy(policy, 1, base);
  deploy(policy, 2, other);
  deploy(policy, 3, third);
  reserve(policy, 2);
  reserve(policy, 3);  // conflicts with 2, so holds nothing
  reserve(policy, 1);  // conflicts with 2
  EXPECT_EQ(reserve(policy, 3),
            (Answer{{kRefClockConflictCode, "SharedReservationSingleSettingsDeployPolicy", 88}, 77, 2}));
  policy.release(id(2));
  EXPECT_EQ(reserve(policy, 1).site, kClean);  // a count of 0 is skipped
  deploy(policy, 1, third);
  EXPECT_EQ(policy.coercedSettings, base);  // a deploy reaches it only through a reserve
  deploy(policy, 1, base);
  tStatus status;
  policy.markSettingsCommitted(status);
  deploy(policy, 4, base);
  EXPECT_EQ(reserve(policy, 4), (Answer{kClean, 1, 0}));
}

}  // namespace
