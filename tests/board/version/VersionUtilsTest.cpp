// Version texts, packed versions and the range rule of the board's
// component checks.
#include <gtest/gtest.h>

#include "driver/board/status/DeviceStatusCodes.h"
#include "driver/board/version/VersionUtils.h"
#include "tests/support/StatusChecks.h"

namespace {

using nVLAPALS100::tStatus;
using namespace nVL9738K_24_0;
using vltest::codeAfter;

struct Text {
  const char* text;
  uint32_t packed;
  int64_t code;
};

class VersionText : public testing::TestWithParam<Text> {};

TEST_P(VersionText, PacksEveryFieldOrRefusesTheWholeText) {
  uint32_t packed = 1;
  EXPECT_EQ(codeAfter([&](tStatus& s) { packed = parseVersionString(GetParam().text, s); }), GetParam().code);
  EXPECT_EQ(packed, GetParam().packed);
}

constexpr int64_t kRefused = nVLAPALS100::kStatusInvalidParameter;
INSTANTIATE_TEST_SUITE_P(Texts, VersionText,
                         testing::Values(Text{"1.0.0a0", 0x01004000, 0}, Text{"1.0.0f0", 0x0100C000, 0},
                                         Text{"0.0.0d0", 0, 0}, Text{"255.15.15f16383", 0xFFFFFFFF, 0},
                                         Text{"12.3.4b56", 0x0C348038, 0}, Text{"1.0.0f0 xyz", 0x0100C000, 0},
                                         Text{"01.0.0f0", 0, kRefused}, Text{"1.00.0f0", 0, kRefused},
                                         Text{"1.16.0f0", 0, kRefused}, Text{"1.0.0F0", 0, kRefused},
                                         Text{"1.0.0f16384", 0, kRefused}, Text{"256.0.0f0", 0, kRefused},
                                         Text{"1.0.0f", 0, kRefused}, Text{"1.0f0", 0, kRefused},
                                         Text{" 1.0.0f0", 0, kRefused}, Text{"", 0, kRefused},
                                         Text{"99999999999999999999.0.0f0", 0, kRefused}));

struct Range {
  uint32_t oldest, current, low, high;
  int32_t fpgaCode, driverCode;
};

class VersionRange : public testing::TestWithParam<Range> {};

TEST_P(VersionRange, NamesTheFirstRuleThatApplies) {
  const Range& r = GetParam();
  EXPECT_EQ(codeAfter([&](tStatus& s) { checkVersionRange(r.oldest, r.current, r.low, r.high, true, s); }), r.fpgaCode);
  EXPECT_EQ(codeAfter([&](tStatus& s) { checkVersionRange(r.oldest, r.current, r.low, r.high, false, s); }),
            r.driverCode);
}

INSTANTIATE_TEST_SUITE_P(
    Table, VersionRange,
    testing::Values(Range{12, 12, 11, 12, 0, 0},  // one version inside
                    Range{12, 20, 5, 12, 0, 0},   // oldest equals the driver's high
                    Range{1, 11, 11, 12, 0, 0},   // current equals the driver's low
                    Range{13, 12, 12, 11, codes::kComponentRangeEmpty, codes::kComponentRangeEmpty},
                    Range{11, 12, 12, 11, codes::kInvalidArgument, codes::kInvalidArgument},
                    Range{13, 14, 11, 12, codes::kFpgaNeedsNewerSoftware, codes::kDriverNeedsNewerSoftware},
                    Range{5, 10, 11, 12, codes::kFpgaTooOld, codes::kDriverTooOld}));

}  // namespace
