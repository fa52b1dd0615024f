#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "driver/rf/reservation/ReservationResources.h"
#include "sim/idletracker/IdleTracker.h"
#include "sim/kernel/Memory.h"
#include "tests/rf/reservation/PolicyChecks.h"

namespace {

using nVLAPALS100::tStatus;
using rfyulreserve::ReservationPolicyID;
using rfyulreserve_impl::PolicyIDList;
using vltest::policyIds;

constexpr int32_t kCode = static_cast<int32_t>(0xBFFA9178u);

std::vector<uint32_t> values(const PolicyIDList& ids) {
  std::vector<uint32_t> out;
  for (ReservationPolicyID id : ids) out.push_back(rfyulreserve::tokenValue(id));
  return out;
}

TEST(ReservationClient, TheCacheIsAnExactCopyThatKeepsItsStorageAndSurvivesAFailedCopy) {
  sim::IdleTracker::reset();
  rfyulreserve_impl::ReservationResources resources{kCode, kCode, kCode, kCode, kCode, kCode, true};
  tStatus s;
  auto* client = resources.createClient("cache", s);
  client->setReservationCache(policyIds({3, 1, 3}), s);
  const ReservationPolicyID* storage = client->reservationCache().data();
  client->setReservationCache(policyIds({2}), s);
  EXPECT_EQ(client->reservationCache().data(), storage);
  client->setReservationCache(client->reservationCache(), s);
  EXPECT_EQ(values(client->reservationCache()), std::vector<uint32_t>({2}));
  const PolicyIDList longer = policyIds(std::vector<uint32_t>(40, 7));
  sim::Memory::allocationFaults().failNth(1, 0);
  client->setReservationCache(longer, s);
  sim::Memory::allocationFaults().clear();
  EXPECT_EQ(s.getCode(), -52000);
  EXPECT_EQ(values(client->reservationCache()), std::vector<uint32_t>({2}));

  tStatus empty;
  client->setReservationCache(PolicyIDList{}, empty);
  uint32_t result = 0;
  rfyulreserve::ReserveErrorInfo info{5, 6};
  client->reserveCache(result, info, empty);
  EXPECT_EQ(result, 1u);
  EXPECT_EQ(info.failedPolicyID, 5u);
  EXPECT_EQ(info.conflictingClientID, 6u);
  delete client;
  EXPECT_EQ(sim::IdleTracker::liveIds(), 0u);
}

TEST(ReservationPolicyMetaresourceManager, ListsAreFoundOnlyOnceAddedAndCopiedOutWhole) {
  rfyulreserve_impl::ReservationPolicyMetaresourceManager lists(-1, -2, -3, -4);
  PolicyIDList out = policyIds({9});
  EXPECT_EQ(vltest::codeAfter([&](tStatus& s) { lists.copyOut(ReservationPolicyID{1}, 8, out, s); }), -2);
  EXPECT_EQ(vltest::codeAfter([&](tStatus& s) { lists.add(ReservationPolicyID{0}, out, s); }), -4);
  EXPECT_EQ(vltest::codeAfter([&](tStatus& s) { lists.add(ReservationPolicyID{1}, policyIds({4, 5}), s); }), 0);
  EXPECT_EQ(vltest::codeAfter([&](tStatus& s) { lists.add(ReservationPolicyID{1}, policyIds({6}), s); }), -1);
  EXPECT_EQ(vltest::codeAfter([&](tStatus& s) { lists.add(ReservationPolicyID{2}, PolicyIDList{}, s); }), 0);
  EXPECT_EQ(vltest::codeAfter([&](tStatus& s) { lists.copyOut(ReservationPolicyID{1}, 1, out, s); }), -3);
  EXPECT_EQ(values(out), std::vector<uint32_t>({9}));
  EXPECT_EQ(vltest::codeAfter([&](tStatus& s) { lists.copyOut(ReservationPolicyID{1}, 2, out, s); }), 0);
  EXPECT_EQ(values(out), std::vector<uint32_t>({4, 5}));
  tStatus s;
  EXPECT_EQ(lists.count(ReservationPolicyID{2}, s), 0u);
  EXPECT_EQ(s.getCode(), 0);
}

}  // namespace
