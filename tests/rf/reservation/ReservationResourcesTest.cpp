#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "driver/rf/reservation/DeviceActivityAccessSlave.h"
#include "driver/rf/reservation/ReservationResources.h"
#include "driver/rf/reservation/SharedReservationSuggestedSettingsDeployPolicy.h"
#include "driver/rf/settings/CrossSwitchSettings.h"
#include "sim/idletracker/IdleTracker.h"
#include "sim/kernel/Memory.h"
#include "tests/rf/reservation/PolicyChecks.h"

namespace {

using nVLAPALS100::tStatus;
using rfyulreserve::ReservationClientID;
using rfyulreserve::ReservationPolicyID;
using rfyulreserve::tokenValue;
using rfyulreserve_impl::PolicyIDList;
using rfyulreserve_impl::ReservationClient;
using sim::IdleTracker;
using Call = IdleTracker::Call;

constexpr int32_t kCode = static_cast<int32_t>(0xBFFA9178u);
using CrossSwitchPolicy =
    rfyulreserve_impl::SharedReservationSuggestedSettingsDeployPolicy<vl9738settings::CrossSwitchSettings>;

PolicyIDList ids(std::vector<uint32_t> values) {
  PolicyIDList out;
  tStatus s;
  for (uint32_t v : values) out.push_back(ReservationPolicyID{v}, s);
  return out;
}

std::vector<uint32_t> plain(const PolicyIDList& list) {
  std::vector<uint32_t> out;
  for (auto id : list) out.push_back(tokenValue(id));
  return out;
}

class ReservationResourcesTest : public testing::Test {
 protected:
  ReservationResourcesTest() {
    IdleTracker::reset();
    resources.reservations().registerPolicy(&policy, status);
  }
  ~ReservationResourcesTest() override { IdleTracker::reset(); }

  rfyulreserve_impl::ReservationResources resources{kCode, kCode, kCode, kCode, kCode, kCode, true};
  CrossSwitchPolicy policy{"switch", static_cast<int32_t>(0xBFFA9196u), false};
  tStatus status{tStatus::kFullSize};
};

TEST_F(ReservationResourcesTest, EnginesAreNamedOneAndTwoAndAnswerTheTrackersIdleness) {
  rfyulreserve_impl::DeviceActivityAccessSlave acquisition(rfyulreserve_impl::kAcquisitionEngineDescriptor, status);
  rfyulreserve_impl::DeviceActivityAccessSlave generation(rfyulreserve_impl::kGenerationEngineDescriptor, status);
  auto& activities = resources.activities();
  EXPECT_EQ(tokenValue(activities.registerDeviceActivity(&acquisition, status)), 1u);
  EXPECT_EQ(tokenValue(activities.registerDeviceActivity(&generation, status)), 2u);
  const vlhtl::String name("Generation Engine", status);
  EXPECT_EQ(tokenValue(activities.findToken(name, status)), 2u);
  EXPECT_EQ(activities.getDeviceActivity(rfyulreserve::DeviceActivityContextID{2}, status), &generation);
  const uint32_t id = tokenValue(resources.clientTokens().createToken("s", status));
  EXPECT_FALSE(acquisition.isIdle(ReservationClientID{id}, status));
  IdleTracker::setIdle(id, true);
  EXPECT_TRUE(acquisition.isIdle(ReservationClientID{id}, status));
  EXPECT_EQ(status.getCode(), 0);
  EXPECT_EQ(activities.getDeviceActivity(rfyulreserve::DeviceActivityContextID{3}, status), nullptr);
  EXPECT_EQ(status.getCode(), kCode);
}

TEST_F(ReservationResourcesTest, TheInvalidClientIsReportedYetTheTrackerIsStillAsked) {
  rfyulreserve_impl::DeviceActivityAccessSlave engine("engine", status);
  EXPECT_EQ(vltest::codeAfter([&](tStatus& s) { engine.isIdle(ReservationClientID{0}, s); }), -52005);
  EXPECT_EQ(vltest::codeAfter(
                [&](tStatus& s) { rfyulreserve_impl::reportClientIdleStatus(ReservationClientID{0}, true, s); }),
            -52005);
  EXPECT_EQ(IdleTracker::calls(Call::kGetStatus), 1u);
  EXPECT_EQ(IdleTracker::calls(Call::kSetStatus), 1u);
}

TEST_F(ReservationResourcesTest, MetaresourceListsAnswerOnlyForAddedIds) {
  auto& lists = resources.metaresources();
  EXPECT_EQ(vltest::codeAfter([&](tStatus& s) { lists.count(ReservationPolicyID{1}, s); }), kCode);
  EXPECT_EQ(vltest::codeAfter([&](tStatus& s) { lists.add(ReservationPolicyID{0}, ids({}), s); }), kCode);
  lists.add(ReservationPolicyID{4}, ids({2, 3, 2}), status);
  lists.add(ReservationPolicyID{5}, ids({}), status);
  EXPECT_EQ(vltest::codeAfter([&](tStatus& s) { lists.add(ReservationPolicyID{4}, ids({9}), s); }), kCode);
  EXPECT_EQ(lists.count(ReservationPolicyID{5}, status), 0u);
  PolicyIDList out = ids({7});
  EXPECT_EQ(vltest::codeAfter([&](tStatus& s) { lists.copyOut(ReservationPolicyID{4}, 2, out, s); }), kCode);
  EXPECT_EQ(plain(out), std::vector<uint32_t>({7}));
  lists.copyOut(ReservationPolicyID{4}, 3, out, status);
  EXPECT_EQ(plain(out), std::vector<uint32_t>({2, 3, 2}));
  EXPECT_EQ(status.getCode(), 0);
}

TEST_F(ReservationResourcesTest, ReallocatingGivesAFreshBlockAndKeepsTheOldOneWhenNoneCanBeHad) {
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

TEST_F(ReservationResourcesTest, AClientHoldsItsTrackerIdAndReleasesEverythingWhenItGoes) {
  IdleTracker::setNextId(41);
  ReservationClient* client = resources.createClient("session", status);
  EXPECT_EQ(tokenValue(client->getReservationClientID()), 41u);
  vltest::hold(policy, 41, vl9738settings::CrossSwitchSettings{});
  vltest::hold(policy, 41, vl9738settings::CrossSwitchSettings{});
  delete client;
  EXPECT_EQ(vltest::countOf(policy, 41), 0xDEADu);
  EXPECT_EQ(IdleTracker::liveIds(), 0u);
}

// An attach that fails holds nothing, so destroying it must leave the
// owning session's tracker holder and reservations alone.
TEST_F(ReservationResourcesTest, AFailedAttachTakesNothingFromTheSessionOwningTheId) {
  ReservationClient* owner = resources.createClient("owner", status);
  const uint32_t id = tokenValue(owner->getReservationClientID());
  vltest::hold(policy, id, vl9738settings::CrossSwitchSettings{});
  for (const std::string& descriptor : {std::string(257, 'x'), std::string("ok")}) {
    tStatus local;
    const uint32_t target = descriptor == "ok" ? id + 1 : id;  // too long, or an id the tracker never issued
    ReservationClient* failed = resources.attachClient(descriptor.c_str(), ReservationClientID{target}, local);
    EXPECT_EQ(local.isFatal(), true);
    EXPECT_EQ(tokenValue(failed->getReservationClientID()), 0u);
    delete failed;
  }
  EXPECT_EQ(IdleTracker::holders(id), 1u);
  EXPECT_EQ(vltest::countOf(policy, id), 1u);
  delete owner;
}

TEST_F(ReservationResourcesTest, TheCacheIsAnExactCopyAndAnEmptyOneReservesWithOne) {
  ReservationClient* client = resources.createClient("session", status);
  client->setReservationCache(ids({1, 1, 7}), status);
  client->setReservationCache(client->reservationCache(), status);
  EXPECT_EQ(plain(client->reservationCache()), std::vector<uint32_t>({1, 1, 7}));
  client->setReservationCache(ids({}), status);
  client->releaseCache(status);
  uint32_t result = 0;
  rfyulreserve::ReserveErrorInfo errorInfo{3, 4};
  client->reserveCache(result, errorInfo, status);
  EXPECT_EQ(result, 1u);
  EXPECT_EQ(errorInfo.failedPolicyID, 3u);
  EXPECT_EQ(status.getCode(), 0);
  delete client;
}

}  // namespace
