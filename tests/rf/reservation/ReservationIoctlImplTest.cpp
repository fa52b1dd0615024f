#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "driver/rf/policies/ReservationTokenSet.h"
#include "driver/rf/reservation/DeviceActivityAccessSlave.h"
#include "driver/rf/reservation/ReservationIoctlImpl.h"
#include "sim/idletracker/IdleTracker.h"
#include "sim/kernel/UserMemory.h"
#include "tests/rf/reservation/PolicyChecks.h"

namespace {

using nVLAPALS100::tStatus;
using reservationHal::ReservationIoctlImpl;
using reservationHal::ReservationSessionSlot;
using sim::IdleTracker;
using Words = std::vector<uint32_t>;

constexpr int32_t kCode = static_cast<int32_t>(0xBFFA9178u);

// The operations over a device's reservation machinery with its six
// policies, the caller's memory in `user`.
class ReservationIoctlImplTest : public testing::Test {
 protected:
  static constexpr uint32_t kDirtiness = 0xC00;

  ReservationIoctlImplTest() {
    IdleTracker::reset();
    policies.registerPolicies(resources.reservations(), status);
    resources.activities().registerDeviceActivity(&acquisition, status);
    resources.activities().registerDeviceActivity(&generation, status);
  }
  ~ReservationIoctlImplTest() override {
    first.close();
    second.close();
    IdleTracker::reset();
  }

  template <typename tRange>
  uint64_t put(uint32_t offset, const tRange& range) {
    if (!range.empty()) std::memcpy(user.data() + offset, range.data(), range.size() * sizeof(range[0]));
    return user.address() + offset;
  }
  int32_t open(ReservationSessionSlot& session, const std::string& name, const uint32_t* attachTo = nullptr) {
    tStatus s;
    if (attachTo == nullptr) {
      ReservationIoctlImpl::reservation_setDescriptor(event, session, resources, put(0, name), name.size(), s);
    } else {
      ReservationIoctlImpl::reservation_setDescriptorAndClientID(event, session, resources, put(0, name), name.size(),
                                                                 *attachTo, s);
    }
    return static_cast<int32_t>(s.getCode());
  }
  // The error info and the code; the dirtiness words land at kDirtiness,
  // prefilled with 0xEE.
  Words reserve(ReservationSessionSlot& session, const Words& ids) {
    put(kDirtiness, Words(4, 0xEE));
    rfyulreserve::ReserveErrorInfo info{0x11, 0x22};
    tStatus s;
    ReservationIoctlImpl::reservation_reserve(event, session, ids.size(), put(0x800, ids), user.address() + kDirtiness,
                                              info, s);
    return {info.failedPolicyID, info.conflictingClientID, static_cast<uint32_t>(s.getCode())};
  }
  Words dirtiness(uint32_t count) {
    const auto* words = reinterpret_cast<const uint32_t*>(user.data() + kDirtiness);
    return Words(words, words + count);
  }
  uint32_t holdCrossSwitch(ReservationSessionSlot& session, const char* name) {
    EXPECT_EQ(open(session, name), 0);
    policies.crossSwitchPolicy().deploySettings(vltest::client(session.clientID), {}, status);
    EXPECT_EQ(reserve(session, {2}).back(), 0u);
    return session.clientID;
  }
  uint32_t crossSwitchCount(uint32_t id) { return vltest::countOf(policies.crossSwitchPolicy(), id); }

  rfyulreserve_impl::ReservationResources resources{kCode, kCode, kCode, kCode, kCode, kCode, true};
  tStatus status{tStatus::kFullSize};
  rfyulreserve_impl::DeviceActivityAccessSlave acquisition{"Acquisition Engine", status};
  rfyulreserve_impl::DeviceActivityAccessSlave generation{"Generation Engine", status};
  nVL9738K_24_0::ReservationTokenSet policies;
  nVLAPAL000::tEventDescriptor event{nullptr};
  sim::UserBlock user{4096};
  ReservationSessionSlot first, second;
};

TEST_F(ReservationIoctlImplTest, ARefusalRollsBackAndAClosedSessionFreesWhatItHeld) {
  ASSERT_EQ(open(first, "a"), 0);
  ASSERT_EQ(open(second, "b"), 0);
  const uint32_t a = first.clientID, b = second.clientID;
  vl9738settings::RefClockSettings external;
  external.refClock = 2;
  policies.refClockPolicy().deploySettings(vltest::client(a), {}, status);
  EXPECT_EQ(reserve(first, {1}).back(), 0u);
  policies.refClockPolicy().deploySettings(vltest::client(b), external, status);
  policies.crossSwitchPolicy().deploySettings(vltest::client(b), {}, status);
  EXPECT_EQ(reserve(second, {2, 1, 3}), Words({1, a, 0xBFFA8711u}));
  EXPECT_EQ(dirtiness(4), Words({0, 0, 0, 0xEE}));  // three answers, the third never reached
  EXPECT_EQ(crossSwitchCount(b), 0u);
  EXPECT_EQ(reserve(second, {99}), Words({99, 0, static_cast<uint32_t>(kCode)}));
  first.close();
  EXPECT_EQ(reserve(second, {2, 1}).back(), 0u);
  EXPECT_FALSE(IdleTracker::exists(a));
}

TEST_F(ReservationIoctlImplTest, ADeferredReleaseEndsWhenTheTrackerTurnsIdle) {
  const uint32_t a = holdCrossSwitch(first, "a");
  tStatus s;
  ReservationIoctlImpl::reservation_deferReleaseUntilIdle(event, first, 1, 1, put(0x100, Words{2}), s);
  EXPECT_FALSE(IdleTracker::isIdle(a));
  first.client->releaseIdleResources(s);
  EXPECT_EQ(crossSwitchCount(a), 1u);
  IdleTracker::setIdle(a, true);
  first.client->releaseIdleResources(s);
  EXPECT_EQ(crossSwitchCount(a), 0u);
  EXPECT_EQ(s.getCode(), 0);
}

// A client that could not take its id is not kept: the session can try
// again, and the session that owns the id loses nothing.
TEST_F(ReservationIoctlImplTest, AClientWithoutItsIdIsDiscardedAndTheSessionCanRetry) {
  const uint32_t a = holdCrossSwitch(first, "a");
  EXPECT_EQ(open(second, std::string(300, 'x'), &a), kCode);
  EXPECT_EQ(second.client, nullptr);
  EXPECT_EQ(IdleTracker::holders(a), 1u);
  const uint32_t unknown = a + 7;
  EXPECT_EQ(open(second, "ghost", &unknown), IdleTracker::kUnknownIdCode);
  EXPECT_EQ(second.client, nullptr);
  EXPECT_EQ(resources.clientTokens().map().findTokenIterator(vltest::client(unknown)), nullptr);
  EXPECT_EQ(crossSwitchCount(a), 1u);
  EXPECT_EQ(open(second, "b", &a), 0);
  EXPECT_EQ(second.clientID, a);
  EXPECT_EQ(IdleTracker::holders(a), 2u);
}

}  // namespace
