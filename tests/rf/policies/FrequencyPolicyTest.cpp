#include <gtest/gtest.h>

#include <cstdint>

#include "driver/rf/policies/FrequencyPolicy.h"
#include "tests/support/StatusChecks.h"

namespace {

using nVL9738K_24_0::FrequencyPolicy;
using nVLAPALS100::tStatus;
using rfyulreserve::ReservationClientID;
using rfyulreserve::tokenValue;
using vl9738settings::FrequencySettings;
using vltest::Site;

constexpr int64_t kConflict = static_cast<int32_t>(0xBFFA9196u);

FrequencySettings frequency(uint64_t ftw, uint8_t dllFine, uint8_t suggest = 0) {
  FrequencySettings settings;
  settings.ftw = ftw;
  settings.dllFineOverride = 1;
  settings.dllFine = dllFine;
  settings.suggest = suggest;
  return settings;
}

class FrequencyPolicyTest : public testing::Test {
 protected:
  void deploy(uint32_t client, const FrequencySettings& settings) {
    policy.deploySettings(ReservationClientID{client}, settings, status);
  }
  // The site of the refusal (clean when reserved), and the conflicting client.
  std::pair<Site, uint32_t> reserve(uint32_t client) {
    ReservationClientID conflicting{0};
    const tStatus result = vltest::statusAfter(
        [&](tStatus& s) { policy.reserve(ReservationClientID{client}, dirtiness, conflicting, s); });
    return {vltest::siteOf(result), tokenValue(conflicting)};
  }
  uint32_t countOf(uint32_t client) const { return policy.findClient(ReservationClientID{client})->reserveCount; }

  FrequencyPolicy policy{"9738 LO0 Frequency"};
  tStatus status{tStatus::kFullSize};
  uint32_t dirtiness = 77;
  const std::pair<Site, uint32_t> reserved{Site{0, "", 0}, 0};
};

TEST_F(FrequencyPolicyTest, ASecondConcreteValueIsRefusedNamingTheHolder) {
  deploy(1, frequency(1000, 4));
  EXPECT_EQ(reserve(1), reserved);
  deploy(2, frequency(2000, 4));
  EXPECT_EQ(reserve(2), (std::pair<Site, uint32_t>{{kConflict, "FrequencyPolicy", 199}, 1}));
  EXPECT_EQ(countOf(2), 0u);
  EXPECT_EQ(policy.coercedSettings, frequency(1000, 4));
}

TEST_F(FrequencyPolicyTest, ValuesThatDifferOnlyInDllFineShareAndTheLastOneIsCoerced) {
  deploy(1, frequency(1000, 4));
  deploy(2, frequency(1000, 9));
  EXPECT_EQ(reserve(1), reserved);
  EXPECT_EQ(reserve(2), reserved);
  EXPECT_EQ(policy.coercedSettings.dllFine, 9);
  deploy(1, frequency(1000, 5));  // a holder's deploy merges at once
  EXPECT_EQ(policy.coercedSettings.dllFine, 5);
  EXPECT_EQ(status.getCode(), 0);
}

TEST_F(FrequencyPolicyTest, ASuggestionTakesTheHighestIdConcreteHoldersWholeValue) {
  deploy(1, frequency(1000, 4));
  deploy(3, frequency(1000, 8));
  deploy(2, frequency(7, 1, 1));
  reserve(3);
  reserve(1);
  EXPECT_EQ(reserve(2), reserved);
  EXPECT_EQ(policy.coercedSettings, frequency(1000, 8));
}

TEST_F(FrequencyPolicyTest, AHolderDeployingAConflictKeepsTheCoercedValue) {
  for (uint32_t client : {1u, 2u}) {
    deploy(client, frequency(1000, 4));
    reserve(client);
  }
  const tStatus result =
      vltest::statusAfter([&](tStatus& s) { policy.deploySettings(ReservationClientID{2}, frequency(5, 4), s); });
  EXPECT_EQ(vltest::siteOf(result), (Site{kConflict, "FrequencyPolicy", 199}));
  EXPECT_EQ(policy.findClient(ReservationClientID{2})->settings, frequency(5, 4));
  EXPECT_EQ(policy.coercedSettings, frequency(1000, 4));
}

TEST_F(FrequencyPolicyTest, TheCommittedValueServesAClientThatDiffersOnlyInDllFine) {
  deploy(1, frequency(1000, 4));
  reserve(1);
  policy.markSettingsCommitted(status);
  EXPECT_EQ(policy.hasCommittedSettings, 1);
  deploy(2, frequency(1000, 6));
  reserve(2);
  EXPECT_EQ(dirtiness, 1u);
  deploy(3, frequency(1001, 4));
  policy.release(ReservationClientID{1});
  policy.release(ReservationClientID{2});
  reserve(3);
  EXPECT_EQ(dirtiness, 0u);
}

}  // namespace
