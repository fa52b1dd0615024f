#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "driver/rf/reservation/DeviceActivityAccessSlave.h"
#include "driver/rf/reservation/ReservationResources.h"
#include "sim/idletracker/IdleTracker.h"
#include "tests/support/StatusChecks.h"

namespace {

using nVLAPALS100::tStatus;
using rfyulreserve::ReservationClientID;
using rfyulreserve::ReservationPolicyID;
using rfyulreserve::ReserveErrorInfo;
using rfyulreserve_impl::DirtinessList;
using rfyulreserve_impl::PolicyIDList;
using sim::IdleTracker;

constexpr int32_t kCode = static_cast<int32_t>(0xBFFA9178u);
constexpr int32_t kConflict = static_cast<int32_t>(0xBFFA9196u);

// Writes one letter and a sign per call into a shared log, so a test sees
// which policies were asked what, in order.
struct ScriptedPolicy : rfyulreserve_impl::iReservationPolicy {
  ScriptedPolicy(const char* name, std::string& log) : name(name), log(log) {}
  void reserve(ReservationClientID, uint32_t& dirtiness, ReservationClientID& conflicting, tStatus& status) override {
    log += name + "+";
    if (refuse) {
      conflicting = ReservationClientID{holder};
      status.setCode(kConflict, VL_SITE);
      return;
    }
    dirtiness = answer;
  }
  void release(ReservationClientID) override { log += name + "-"; }
  void releaseAll(ReservationClientID) override { log += name + "~"; }
  void releaseIfIdle(tStatus&) override { log += name + "?"; }
  void deviceReset() override { log += name + "!"; }
  void deferReleaseUntilIdle(ReservationClientID, const rfyulreserve::iDeviceActivityAccess* activity,
                             rfyulreserve::ReservationIdleCallback, tStatus&) override {
    log += name + (activity != nullptr ? "@" : "0");
  }
  void setIsListModeActive(ReservationClientID, bool, tStatus&) override { log += name + "L"; }
  const char* getDescriptor() const override { return name.c_str(); }

  std::string name;
  std::string& log;
  bool refuse = false;
  uint32_t holder = 0;
  uint32_t answer = 1;
};

class ReservationManagerTest : public testing::Test {
 protected:
  ReservationManagerTest() {
    IdleTracker::reset();
    for (auto* policy : {&a, &b, &c}) manager().registerPolicy(policy, status);
    resources.activities().registerDeviceActivity(&acquisition, status);
  }
  ~ReservationManagerTest() override { IdleTracker::reset(); }

  rfyulreserve_impl::ReservationManager& manager() { return resources.reservations(); }
  static PolicyIDList list(std::vector<uint32_t> ids) {
    PolicyIDList out;
    tStatus s;
    for (uint32_t id : ids) out.push_back(ReservationPolicyID{id}, s);
    return out;
  }

  rfyulreserve_impl::ReservationResources resources{kCode, kCode, kCode, kCode, kCode, kCode, true};
  std::string log;
  ScriptedPolicy a{"A", log}, b{"B", log}, c{"C", log};
  tStatus status{tStatus::kFullSize};
  rfyulreserve_impl::DeviceActivityAccessSlave acquisition{"Acquisition Engine", status};
  const ReservationClientID client{5};
};

struct ReserveCase {
  const char* name;
  std::vector<uint32_t> ids;
  bool bRefuses;
  std::string log;
  ReserveErrorInfo errorInfo;
  int64_t code;
  std::vector<uint32_t> dirtiness;
};

class ReserveListTest : public ReservationManagerTest, public testing::WithParamInterface<ReserveCase> {};

TEST_P(ReserveListTest, RollsBackEarlierPoliciesAtTheFirstRefusal) {
  const ReserveCase& param = GetParam();
  b.refuse = param.bRefuses;
  b.holder = 9;
  DirtinessList dirtiness;
  ReserveErrorInfo errorInfo{77, 77};
  manager().reserveWithErrorInfo(client, list(param.ids), dirtiness, errorInfo, status);
  EXPECT_EQ(log, param.log);
  EXPECT_EQ(status.getCode(), param.code);
  EXPECT_EQ(errorInfo.failedPolicyID, param.errorInfo.failedPolicyID);
  EXPECT_EQ(errorInfo.conflictingClientID, param.errorInfo.conflictingClientID);
  EXPECT_EQ(std::vector<uint32_t>(dirtiness.begin(), dirtiness.end()), param.dirtiness);
}

INSTANTIATE_TEST_SUITE_P(Lists, ReserveListTest,
                         testing::Values(ReserveCase{"AllReserve", {1, 2, 3}, false, "A+B+C+", {77, 77}, 0, {1, 1, 1}},
                                         ReserveCase{
                                             "MiddleRefuses", {1, 2, 3}, true, "A+B+A-", {2, 9}, kConflict, {1, 0, 0}},
                                         ReserveCase{"Unregistered", {1, 99}, false, "A+A-", {99, 0}, kCode, {1, 0}},
                                         ReserveCase{"Empty", {}, false, "", {77, 77}, 0, {}}),
                         [](const auto& info) { return info.param.name; });

TEST_F(ReservationManagerTest, CachedReserveIsOneOnlyWhenEveryPolicyAnswersOne) {
  struct Case {
    std::vector<uint32_t> ids;
    uint32_t aAnswer;
    bool cRefuses;
    uint32_t result;
  };
  for (const Case& row : {Case{{}, 1, false, 1}, Case{{1, 2}, 0, false, 0}, Case{{1, 2}, 1, false, 1},
                          Case{{1, 3}, 0, true, 0}, Case{{2, 3}, 1, true, 1}}) {
    a.answer = row.aAnswer;
    c.refuse = row.cRefuses;
    tStatus local;
    ReserveErrorInfo errorInfo{0, 0};
    EXPECT_EQ(manager().reserve(client, list(row.ids), errorInfo, local), row.result);
    EXPECT_EQ(errorInfo.failedPolicyID, row.cRefuses ? 3u : 0u);
  }
}

TEST_F(ReservationManagerTest, ReleaseStopsAtTheFirstUnknownPolicy) {
  manager().release(client, list({1, 99, 2}), status);
  EXPECT_EQ(log, "A-");
  EXPECT_EQ(status.getCode(), kCode);
}

TEST_F(ReservationManagerTest, PoliciesAreNumberedInOrderAndDescriptorsStayUnique) {
  ScriptedPolicy again{"B", log};
  EXPECT_EQ(rfyulreserve::tokenValue(manager().registerPolicy(&again, status)), 0u);
  EXPECT_EQ(status.getCode(), kCode);
  tStatus lookup;
  const vlhtl::String name("C", lookup);
  EXPECT_EQ(rfyulreserve::tokenValue(manager().findToken(name, lookup)), 3u);
  manager().unregisterPolicy(ReservationPolicyID{2}, lookup);
  manager().unregisterPolicy(ReservationPolicyID{2}, lookup);
  EXPECT_EQ(lookup.getCode(), kCode);
}

TEST_F(ReservationManagerTest, WholeDevicePassesVisitEveryPolicyInIdOrder) {
  manager().releaseClient(client);
  manager().releaseIfIdle(status);
  manager().deviceReset();
  manager().setIsListModeActive(client, true, status);
  EXPECT_EQ(log, "A~B~C~A?B?C?A!B!C!ALBLCL");
}

TEST_F(ReservationManagerTest, DeferringReportsTheClientBusyOnlyWhenEveryPolicyTookIt) {
  const uint32_t id = rfyulreserve::tokenValue(resources.clientTokens().createToken("session", status));
  IdleTracker::setIdle(id, true);
  manager().deferReleaseUntilIdle(ReservationClientID{id}, rfyulreserve::DeviceActivityContextID{1}, list({}), status);
  EXPECT_FALSE(IdleTracker::isIdle(id));
  manager().deferReleaseUntilIdle(ReservationClientID{id}, rfyulreserve::DeviceActivityContextID{1}, list({1, 2}),
                                  status);
  EXPECT_EQ(log, "A@B@");
  EXPECT_EQ(IdleTracker::calls(IdleTracker::Call::kSetStatus), 2u);
  manager().deferReleaseUntilIdle(ReservationClientID{id}, rfyulreserve::DeviceActivityContextID{2}, list({1}), status);
  EXPECT_EQ(status.getCode(), kCode);
  EXPECT_EQ(log, "A@B@");
  EXPECT_EQ(IdleTracker::calls(IdleTracker::Call::kSetStatus), 2u);
}

}  // namespace
