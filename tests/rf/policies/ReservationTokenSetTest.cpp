#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "driver/rf/policies/ReservationTokenSet.h"
#include "driver/rf/reservation/TokenManager.h"
#include "tests/support/StatusChecks.h"

namespace {

using nVL9738K_24_0::ReservationTokenSet;
using nVLAPALS100::tStatus;
using rfyulreserve::ReservationPolicyID;
using rfyulreserve::tokenValue;

constexpr int32_t kCode = rfyulreserve_impl::kReservationInvalidCode;

// Names each policy by its descriptor, as the reservation manager does.
class TokenRegistrar : public nVL9738K_24_0::iPolicyRegistrar {
 public:
  ReservationPolicyID registerPolicy(rfyulreserve_impl::iReservationPolicy* policy, tStatus& status) override {
    return tokens.createToken(policy->getDescriptor(), status);
  }
  void unregisterPolicy(ReservationPolicyID id, tStatus& status) override {
    unregistered.push_back(tokenValue(id));
    tokens.releaseToken(id, status);
  }

  rfyulreserve_impl::TokenManager<ReservationPolicyID> tokens{kCode, kCode, kCode, kCode};
  std::vector<uint32_t> unregistered;
};

TEST(ReservationTokenSet, RegistersTheSixPoliciesInOrderAndUnregistersThemInReverse) {
  TokenRegistrar registrar;
  {
    ReservationTokenSet set;
    tStatus status;
    set.registerPolicies(registrar, status);
    ASSERT_EQ(status.getCode(), 0);
    const char* const descriptors[] = {"9738 Reference Clock Source", "9738 Cross Switch Mode", "9738 LO0 Frequency",
                                       "9738 LO1 Frequency",          "9738 LO0 Power",         "9738 LO1 Power"};
    for (uint32_t i = 0; i < ReservationTokenSet::kPolicyCount; ++i) {
      EXPECT_EQ(tokenValue(set.policyId(i)), i + 1);
      EXPECT_STREQ(set.policy(i).getDescriptor(), descriptors[i]);
    }
    EXPECT_EQ(set.crossSwitchPolicy().mergeOnDeploy, 0);  // only the cross switch waits for a reserve
    EXPECT_EQ(set.powerPolicy(1).mergeOnDeploy, 1);
    // A second set's first descriptor is already taken: it registers nothing.
    ReservationTokenSet second;
    EXPECT_EQ(vltest::codeAfter([&](tStatus& s) { second.registerPolicies(registrar, s); }), kCode);
    EXPECT_EQ(tokenValue(second.policyId(0)), 0u);
  }
  EXPECT_EQ(registrar.unregistered, (std::vector<uint32_t>{6, 5, 4, 3, 2, 1}));
  EXPECT_TRUE(registrar.tokens.map().empty());
}

}  // namespace
