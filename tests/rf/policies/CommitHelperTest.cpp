#include <gtest/gtest.h>

#include <cstdint>

#include "driver/rf/policies/CommitHelper.h"
#include "tests/support/StatusChecks.h"

namespace {

using namespace nVL9738K_24_0;
using nVLAPALS100::tStatus;
using rfyulreserve::ReservationClientID;
using vl9738settings::FrequencySettings;
using vl9738settings::PowerSettings;

constexpr int32_t kBusFailure = -52006;

// A primitive as the commit sees it: it keeps the requested value, and a
// commit programs it unless told to fail. Both do nothing on an error.
template <typename tSettings>
class FakePrimitive {
 public:
  explicit FakePrimitive(const uint8_t* staleFlag) : staleFlag_(staleFlag) {}

  void setRequested(const tSettings& settings, tStatus& status) {
    if (status.isFatal()) return;
    requested = settings;
    staleWhenRequested = *staleFlag_;
  }
  void commit(tStatus& status) {
    if (status.isFatal()) return;
    if (failCode != 0) {
      status.setCode(failCode, "vl9738k", "FakePrimitive", 1);
      return;
    }
    programmed = requested;
    ++commits;
  }

  tSettings requested;
  tSettings programmed;
  int commits = 0;
  int32_t failCode = 0;
  int staleWhenRequested = -1;

 private:
  const uint8_t* staleFlag_;
};

static_assert(CommittablePrimitive<FakePrimitive<FrequencySettings>, FrequencySettings>);
static_assert(!CommittablePrimitive<FakePrimitive<PowerSettings>, FrequencySettings>);

FrequencySettings frequency(uint8_t dllFine, uint8_t suggest = 0) {
  FrequencySettings settings;
  settings.ftw = 0x123456789ABCull;
  settings.dllFineOverride = 1;
  settings.dllFine = dllFine;
  settings.suggest = suggest;
  return settings;
}

class CommitHelperTest : public testing::Test {
 protected:
  void hold(uint32_t client, const FrequencySettings& settings) {
    tStatus status;
    uint32_t dirtiness = 0;
    ReservationClientID conflicting{0};
    policy.deploySettings(ReservationClientID{client}, settings, status);
    policy.reserve(ReservationClientID{client}, dirtiness, conflicting, status);
    ASSERT_EQ(status.getCode(), 0);
  }
  int64_t commit() {
    return vltest::codeAfter([&](tStatus& s) { commit_helper(primitive, policy, s); });
  }
  uint32_t dirtinessOf(uint32_t client) {
    tStatus status;
    uint32_t dirtiness = 77;
    ReservationClientID conflicting{0};
    policy.reserve(ReservationClientID{client}, dirtiness, conflicting, status);
    return dirtiness;
  }

  FrequencyPolicy policy{"9738 LO1 Frequency"};
  FakePrimitive<FrequencySettings> primitive{&policy.committedSettingsStale};
};

TEST_F(CommitHelperTest, AOneClientValueIsCommittedAsItStandsAfterMarkingStale) {
  hold(1, frequency(5));
  EXPECT_EQ(commit(), 0);
  EXPECT_EQ(primitive.staleWhenRequested, 1);
  EXPECT_EQ(primitive.programmed, frequency(5));
  hold(1, frequency(7));
  EXPECT_EQ(commit(), 0);
  EXPECT_EQ(primitive.programmed.dllFine, 7);
  EXPECT_EQ(policy.committedSettings, frequency(7));
  EXPECT_EQ(policy.committedSettingsStale, 0);
}

TEST_F(CommitHelperTest, TheFirstCommitOfTwoConcreteClientsKeepsTheCoercedDllFine) {
  hold(1, frequency(5));
  hold(2, frequency(9));
  EXPECT_EQ(commit(), 0);
  EXPECT_EQ(primitive.programmed.dllFine, 9);  // not the all-zero committed record's 0
  EXPECT_EQ(policy.committedSettings.dllFine, 9);
}

TEST_F(CommitHelperTest, LaterCommitsOfSeveralConcreteClientsKeepTheCommittedDllFine) {
  hold(1, frequency(5));
  EXPECT_EQ(commit(), 0);
  hold(2, frequency(9));
  EXPECT_EQ(commit(), 0);
  EXPECT_EQ(primitive.programmed.dllFine, 5);
  EXPECT_EQ(policy.coercedSettings.dllFine, 5);
  // Once 2 no longer holds a reservation only one concrete client counts.
  policy.release(ReservationClientID{2});
  hold(1, frequency(3));
  EXPECT_EQ(commit(), 0);
  EXPECT_EQ(primitive.programmed.dllFine, 3);
}

TEST_F(CommitHelperTest, SuggestionsAreCommittedAsTheyStand) {
  hold(1, frequency(5, 1));
  EXPECT_EQ(commit(), 0);
  hold(2, frequency(8, 1));
  EXPECT_EQ(commit(), 0);
  EXPECT_EQ(primitive.programmed, frequency(8, 1));
}

TEST_F(CommitHelperTest, AFailedCommitLeavesTheCommittedValueStale) {
  hold(1, frequency(5));
  EXPECT_EQ(commit(), 0);
  hold(1, frequency(6));
  primitive.failCode = kBusFailure;
  EXPECT_EQ(commit(), kBusFailure);
  EXPECT_EQ(policy.committedSettingsStale, 1);
  EXPECT_EQ(policy.committedSettings, frequency(5));
  hold(2, frequency(6, 1));
  EXPECT_EQ(dirtinessOf(1), 0u);
  EXPECT_EQ(dirtinessOf(2), 0u);  // suggestions too
}

TEST_F(CommitHelperTest, ACommitEnteredWithAnErrorProgramsNothingAndStillMarksStale) {
  hold(1, frequency(5));
  EXPECT_EQ(commit(), 0);
  tStatus status;
  status.setCode(-1, "vl9738k", "earlier", 1);
  commit_helper(primitive, policy, status);
  EXPECT_EQ(primitive.commits, 1);
  EXPECT_EQ(policy.committedSettingsStale, 1);
  EXPECT_EQ(status.getCode(), -1);
}

TEST(PowerCommitHelper, CommitsAllFiveFieldsOrLeavesThePolicyStale) {
  PowerPolicy policy{"9738 LO0 Power", rfyulreserve_impl::kReservationConflictCode, true};
  FakePrimitive<PowerSettings> primitive{&policy.committedSettingsStale};
  const PowerSettings wanted(1, 11, 22, 333, 44);
  policy.setCoercedSettings(wanted);
  EXPECT_EQ(vltest::codeAfter([&](tStatus& s) { commit_helper(primitive, policy, s); }), 0);
  EXPECT_EQ(primitive.programmed, wanted);
  EXPECT_EQ(policy.committedSettings, wanted);
  EXPECT_EQ(policy.committedSettingsStale, 0);
  policy.setCoercedSettings(PowerSettings(0, 1, 2, 3, 4));
  primitive.failCode = kBusFailure;
  EXPECT_EQ(vltest::codeAfter([&](tStatus& s) { commit_helper(primitive, policy, s); }), kBusFailure);
  EXPECT_EQ(primitive.staleWhenRequested, 1);
  EXPECT_EQ(policy.committedSettings, wanted);
  EXPECT_EQ(policy.committedSettingsStale, 1);
}

}  // namespace
