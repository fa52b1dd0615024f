#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "driver/rf/reservation/DeviceActivityAccessSlave.h"
#include "driver/rf/reservation/ReservationResources.h"
#include "sim/idletracker/IdleTracker.h"
#include "sim/kernel/Memory.h"
#include "tests/rf/reservation/PolicyChecks.h"

namespace {

using nVLAPALS100::tStatus;
using rfyulreserve::ReservationClientID;
using sim::IdleTracker;
using vltest::policyIds;

constexpr int32_t kCode = static_cast<int32_t>(0xBFFA9178u);
constexpr int32_t kConflict = static_cast<int32_t>(0xBFFA9196u);

// Writes one letter and a sign per call into a shared log, so a test sees
// which policies were asked what, in order.
struct ScriptedPolicy : rfyulreserve_impl::iReservationPolicy {
  ScriptedPolicy(const char* name, std::string& log) : name(name), log(log) {}
  void reserve(ReservationClientID, uint32_t& dirtiness, ReservationClientID& conflicting, tStatus& status) override {
    log += name + "+";
    if (refuse) {
      conflicting = ReservationClientID{9};
      status.setCode(kConflict, VL_SITE);
      return;
    }
    dirtiness = answer;
  }
  void release(ReservationClientID) override { log += name + "-"; }
  void releaseAll(ReservationClientID) override {}
  void releaseIfIdle(tStatus&) override {}
  void deviceReset() override {}
  void deferReleaseUntilIdle(ReservationClientID, const rfyulreserve::iDeviceActivityAccess* activity,
                             rfyulreserve::ReservationIdleCallback, tStatus&) override {
    log += name + (activity != nullptr ? "@" : "0");
  }
  void setIsListModeActive(ReservationClientID, bool, tStatus&) override {}
  const char* getDescriptor() const override { return name.c_str(); }

  std::string name;
  std::string& log;
  bool refuse = false;
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

  rfyulreserve_impl::ReservationResources resources{kCode, kCode, kCode, kCode, kCode, kCode, true};
  std::string log;
  ScriptedPolicy a{"A", log}, b{"B", log}, c{"C", log};
  tStatus status{tStatus::kFullSize};
  rfyulreserve_impl::DeviceActivityAccessSlave acquisition{"Acquisition Engine", status};
  const ReservationClientID client{5};
};

TEST_F(ReservationManagerTest, BothReservesRollBackEarlierPoliciesAtTheFirstRefusal) {
  const struct {
    const char* name;
    std::vector<uint32_t> ids;
    uint32_t aAnswer;
    bool bRefuses;
    std::string log;
    uint32_t failedPolicy, conflicting;
    int64_t code;
    std::vector<uint32_t> dirtiness;
    uint32_t cached;  // what the cached-list reserve answers
  } cases[] = {{"all reserve", {1, 2, 3}, 0, false, "A+B+C+", 77, 77, 0, {0, 1, 1}, 0},
               {"the middle refuses", {1, 2, 3}, 1, true, "A+B+A-", 2, 9, kConflict, {1, 0, 0}, 1},
               {"unregistered", {1, 99}, 0, false, "A+A-", 99, 0, kCode, {0, 0}, 0},
               {"empty", {}, 1, false, "", 77, 77, 0, {}, 1}};
  for (const auto& c : cases) {
    a.answer = c.aAnswer;
    b.refuse = c.bRefuses;
    for (bool cached : {false, true}) {
      SCOPED_TRACE(testing::Message() << c.name << (cached ? ", cached" : ""));
      log.clear();
      tStatus s;
      rfyulreserve_impl::DirtinessList dirtiness;
      rfyulreserve::ReserveErrorInfo errorInfo{77, 77};
      if (cached) {
        EXPECT_EQ(manager().reserve(client, policyIds(c.ids), errorInfo, s), c.cached);
      } else {
        manager().reserveWithErrorInfo(client, policyIds(c.ids), dirtiness, errorInfo, s);
        EXPECT_EQ(std::vector<uint32_t>(dirtiness.begin(), dirtiness.end()), c.dirtiness);
      }
      EXPECT_EQ(std::tuple(log, s.getCode(), errorInfo.failedPolicyID, errorInfo.conflictingClientID),
                std::tuple(c.log, c.code, c.failedPolicy, c.conflicting));
    }
  }
}

TEST_F(ReservationManagerTest, ReleaseStopsAtTheFirstUnknownPolicy) {
  manager().release(client, policyIds({1, 99, 2}), status);
  EXPECT_EQ(log, "A-");
  EXPECT_EQ(status.getCode(), kCode);
}

TEST_F(ReservationManagerTest, DeferringReportsTheClientBusyOnlyWhenEveryPolicyTookIt) {
  const ReservationClientID id = resources.clientTokens().createToken("session", status);
  IdleTracker::setIdle(rfyulreserve::tokenValue(id), true);
  auto defer = [&](uint32_t context, std::vector<uint32_t> ids) {
    manager().deferReleaseUntilIdle(id, rfyulreserve::DeviceActivityContextID{context}, policyIds(ids), status);
  };
  defer(1, {});
  EXPECT_FALSE(IdleTracker::isIdle(rfyulreserve::tokenValue(id)));
  defer(1, {1, 2});
  defer(2, {1});  // no such engine
  EXPECT_EQ(status.getCode(), kCode);
  EXPECT_EQ(log, "A@B@");
  EXPECT_EQ(IdleTracker::calls(IdleTracker::Call::kSetStatus), 2u);
}

TEST_F(ReservationManagerTest, TheInvalidClientIsReportedYetTheTrackerIsStillAsked) {
  rfyulreserve_impl::DeviceActivityAccessSlave engine("engine", status);
  EXPECT_EQ(vltest::codeAfter([&](tStatus& s) { engine.isIdle(ReservationClientID{0}, s); }), -52005);
  EXPECT_EQ(vltest::codeAfter(
                [&](tStatus& s) { rfyulreserve_impl::reportClientIdleStatus(ReservationClientID{0}, true, s); }),
            -52005);
  EXPECT_EQ(IdleTracker::calls(IdleTracker::Call::kGetStatus), 1u);
  EXPECT_EQ(IdleTracker::calls(IdleTracker::Call::kSetStatus), 1u);
}

TEST_F(ReservationManagerTest, ReallocatingGivesAFreshBlockAndKeepsTheOldOneWhenNoneCanBeHad) {
  const int64_t before = sim::Memory::outstandingBlocks();
  void* block = rfyulreserve_impl::reallocateArray(nullptr, 64);
  ASSERT_NE(block, nullptr);
  sim::Memory::allocationFaults().failNth(1, 0);
  EXPECT_EQ(rfyulreserve_impl::reallocateArray(block, 128), nullptr);
  sim::Memory::allocationFaults().clear();
  EXPECT_EQ(sim::Memory::outstandingBlocks(), before + 1);
  EXPECT_EQ(rfyulreserve_impl::reallocateArray(block, 0), nullptr);
  EXPECT_EQ(sim::Memory::outstandingBlocks(), before);
}

}  // namespace
