#include <gtest/gtest.h>

#include <cstdint>

#include "driver/rf/policies/CommitHelper.h"
#include "tests/rf/reservation/PolicyChecks.h"

namespace {

using namespace nVL9738K_24_0;
using namespace vltest;
using nVLAPALS100::tStatus;
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
  return vltest::frequency(0x123456789ABCull, dllFine, suggest);
}

class CommitHelperTest : public testing::Test {
 protected:
  int64_t commit() {
    return codeAfter([&](tStatus& s) { commit_helper(primitive, policy, s); });
  }

  FrequencyPolicy policy{"9738 LO1 Frequency"};
  FakePrimitive<FrequencySettings> primitive{&policy.committedSettingsStale};
};

TEST_F(CommitHelperTest, OneConcreteClientOrOnlySuggestionsAreCommittedAsTheyStand) {
  hold(policy, 1, frequency(5));
  EXPECT_EQ(commit(), 0);
  EXPECT_EQ(primitive.staleWhenRequested, 1);  // marked before the primitive is asked
  hold(policy, 1, frequency(7));
  hold(policy, 2, frequency(9, 1));
  EXPECT_EQ(commit(), 0);
  EXPECT_EQ(std::tuple(primitive.programmed, policy.committedSettings, policy.committedSettingsStale),
            std::tuple(frequency(7), frequency(7), 0));
  policy.releaseAll(client(1));
  hold(policy, 3, frequency(8, 1));
  EXPECT_EQ(commit(), 0);
  EXPECT_EQ(primitive.programmed, frequency(8, 1));
}

TEST_F(CommitHelperTest, TheFirstCommitOfTwoConcreteClientsKeepsTheCoercedDllFine) {
  hold(policy, 1, frequency(5));
  hold(policy, 2, frequency(9));
  EXPECT_EQ(commit(), 0);
  // Not the all-zero committed record's 0.
  EXPECT_EQ(std::tuple(primitive.programmed.dllFine, policy.committedSettings.dllFine), std::tuple(9, 9));
}

TEST_F(CommitHelperTest, LaterCommitsOfSeveralConcreteClientsKeepTheCommittedDllFine) {
  hold(policy, 1, frequency(5));
  EXPECT_EQ(commit(), 0);
  hold(policy, 2, frequency(9));
  EXPECT_EQ(commit(), 0);
  EXPECT_EQ(std::tuple(primitive.programmed.dllFine, policy.coercedSettings.dllFine), std::tuple(5, 5));
  policy.release(client(2));  // a count of 0 is not counted
  hold(policy, 1, frequency(3));
  EXPECT_EQ(commit(), 0);
  EXPECT_EQ(primitive.programmed.dllFine, 3);
}

TEST_F(CommitHelperTest, AFailedCommitLeavesTheCommittedValueStale) {
  hold(policy, 1, frequency(5));
  EXPECT_EQ(commit(), 0);
  hold(policy, 1, frequency(6));
  primitive.failCode = kBusFailure;
  EXPECT_EQ(commit(), kBusFailure);
  EXPECT_EQ(std::tuple(policy.committedSettingsStale, policy.committedSettings), std::tuple(1, frequency(5)));
  hold(policy, 2, frequency(6, 1));
  EXPECT_EQ(reserve(policy, 1).dirtiness, 0u);
  EXPECT_EQ(reserve(policy, 2).dirtiness, 0u);  // suggestions too
  // Entered with an error, nothing is programmed and the value stays stale.
  primitive.failCode = 0;
  policy.committedSettingsStale = 0;
  tStatus status;
  status.setCode(-1, "vl9738k", "earlier", 1);
  commit_helper(primitive, policy, status);
  EXPECT_EQ(std::tuple(primitive.commits, policy.committedSettingsStale), std::tuple(1, 1));
}

TEST(PowerCommitHelper, CommitsAllFiveFieldsOrLeavesThePolicyStale) {
  PowerPolicy policy{"9738 LO0 Power", rfyulreserve_impl::kReservationConflictCode, true};
  FakePrimitive<PowerSettings> primitive{&policy.committedSettingsStale};
  const PowerSettings wanted(1, 11, 22, 333, 44);
  policy.setCoercedSettings(wanted);
  EXPECT_EQ(codeAfter([&](tStatus& s) { commit_helper(primitive, policy, s); }), 0);
  EXPECT_EQ(std::tuple(primitive.programmed, policy.committedSettings, policy.committedSettingsStale),
            std::tuple(wanted, wanted, 0));
  policy.setCoercedSettings(PowerSettings(0, 1, 2, 3, 4));
  primitive.failCode = kBusFailure;
  EXPECT_EQ(codeAfter([&](tStatus& s) { commit_helper(primitive, policy, s); }), kBusFailure);
  EXPECT_EQ(std::tuple(primitive.staleWhenRequested, policy.committedSettings, policy.committedSettingsStale),
            std::tuple(1, wanted, 1));
}

}  // namespace
