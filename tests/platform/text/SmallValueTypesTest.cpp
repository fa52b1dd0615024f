#include <gtest/gtest.h>

#include "driver/platform/text/FixedPointNumber.h"
#include "driver/platform/text/tVersionCompatibility.h"

namespace {

using nVLAPAL000::tVersionCompatibility;

constexpr int32_t kTooOld = -1001;
constexpr int32_t kTooNew = -1002;
constexpr int32_t kOurRange = -1003;
constexpr int32_t kPeerRange = -1004;

TEST(VersionCompatibility, VerdictsOfRangesAndTheirCodes) {
  struct Case {
    const char* what;
    uint64_t ourCurrent, ourOldest, peerCurrent, peerOldest;
    int32_t tooOldCode;
    bool tooOld, tooNew;
    int32_t code;
  };
  const Case cases[] = {
      {"peer below our oldest", 10, 5, 4, 1, kTooOld, true, false, kTooOld},
      {"peer's oldest above ours", 10, 5, 20, 11, kTooOld, false, true, kTooNew},
      {"overlapping ranges", 10, 5, 12, 10, kTooOld, false, false, 0},
      // A malformed range overrides earlier codes; our own is named last of all.
      {"peer's range backwards", 10, 5, 4, 6, kTooOld, true, false, kPeerRange},
      {"our range backwards", 4, 6, 4, 7, kTooOld, true, true, kOurRange},
      {"a zero code sets only the flag", 10, 5, 4, 1, 0, true, false, 0},
  };
  for (const Case& c : cases) {
    tVersionCompatibility result;
    nVLAPAL000::checkVersionCompatibility(result, c.ourCurrent, c.ourOldest, c.peerCurrent, c.peerOldest, c.tooOldCode,
                                          kTooNew, kOurRange, kPeerRange);
    EXPECT_EQ(result.isPeerTooOld(), c.tooOld) << c.what;
    EXPECT_EQ(result.isPeerTooNew(), c.tooNew) << c.what;
    EXPECT_EQ(result.getCode(), c.code) << c.what;
  }
}

TEST(FixedPointNumber, NumbersOrderBySignedRawValueOnly) {
  const vlfxptype::Number minusOne{UINT64_MAX, {1, 16, 8}};
  const vlfxptype::Number one{1, {0, 1, 1}};
  EXPECT_TRUE(minusOne < one);
  EXPECT_FALSE(one < minusOne);
  EXPECT_NE(one, (vlfxptype::Number{1, {0, 2, 1}}));
  EXPECT_EQ(one, (vlfxptype::Number{1, {}}));
}

}  // namespace
