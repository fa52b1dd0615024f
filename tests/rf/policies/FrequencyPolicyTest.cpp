#include <gtest/gtest.h>

#include <cstdint>

#include "driver/rf/policies/FrequencyPolicy.h"
#include "tests/rf/reservation/PolicyChecks.h"

namespace {

using namespace vltest;
using nVL9738K_24_0::FrequencyPolicy;

const Site kConflict{static_cast<int32_t>(0xBFFA9196u), "FrequencyPolicy", 199};

TEST(FrequencyPolicy, ASecondConcreteValueIsRefusedNamingTheHolder) {
  FrequencyPolicy policy{"9738 LO0 Frequency"};
  hold(policy, 1, frequency(1000, 4));
  deploy(policy, 2, frequency(2000, 4));
  EXPECT_EQ(reserve(policy, 2), (Answer{kConflict, 77, 1}));
  EXPECT_EQ(countOf(policy, 2), 0u);
  EXPECT_EQ(policy.coercedSettings, frequency(1000, 4));
  EXPECT_EQ(deploy(policy, 1, frequency(3000, 4)), kClean);  // the holder alone may change it
  EXPECT_EQ(policy.coercedSettings, frequency(3000, 4));
}

TEST(FrequencyPolicy, ValuesThatDifferOnlyInDllFineShareAndTheLastOneIsCoerced) {
  FrequencyPolicy policy{"9738 LO0 Frequency"};
  hold(policy, 1, frequency(1000, 4));
  hold(policy, 2, frequency(1000, 9));
  EXPECT_EQ(policy.coercedSettings.dllFine, 9);
  deploy(policy, 1, frequency(1000, 5));  // a holder's deploy merges at once
  EXPECT_EQ(policy.coercedSettings.dllFine, 5);
  nVLAPALS100::tStatus status;
  policy.markSettingsCommitted(status);
  EXPECT_EQ(reserve(policy, 2).dirtiness, 1u);  // the committed value serves it
}

TEST(FrequencyPolicy, ASuggestionTakesTheHighestIdConcreteHoldersWholeValue) {
  FrequencyPolicy policy{"9738 LO1 Frequency"};
  hold(policy, 3, frequency(1000, 8));
  hold(policy, 1, frequency(1000, 4));
  hold(policy, 2, frequency(7, 1, 1));
  EXPECT_EQ(policy.coercedSettings, frequency(1000, 8));
}

}  // namespace
