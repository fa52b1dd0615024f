// Version texts, packed versions and the range rule of the board's
// component checks.
#include <gtest/gtest.h>

#include <cstdint>

#include "driver/board/status/DeviceStatusCodes.h"
#include "driver/board/version/VersionUtils.h"
#include "tests/support/StatusChecks.h"

namespace {

using nVLAPALS100::tStatus;
using namespace nVL9738K_24_0;
using vltest::codeAfter;

struct Parsed {
  const char* text;
  uint32_t packed;
};

class VersionText : public testing::TestWithParam<Parsed> {};

TEST_P(VersionText, PacksEveryFieldIntoItsBits) {
  tStatus status;
  EXPECT_EQ(parseVersionString(GetParam().text, status), GetParam().packed);
  EXPECT_EQ(status.getCode(), 0);
}

INSTANTIATE_TEST_SUITE_P(Accepted, VersionText,
                         testing::Values(Parsed{"1.0.0a0", 0x01004000}, Parsed{"1.0.0f0", 0x0100C000},
                                         Parsed{"0.0.0d0", 0}, Parsed{"255.15.15f16383", 0xFFFFFFFF},
                                         Parsed{"12.3.4b56", 0x0C348038}, Parsed{"1.0.0f0 xyz", 0x0100C000}));

class RefusedVersionText : public testing::TestWithParam<const char*> {};

TEST_P(RefusedVersionText, IsAnInvalidParameterAndPacksToZero) {
  tStatus status;
  EXPECT_EQ(parseVersionString(GetParam(), status), 0u);
  EXPECT_EQ(status.getCode(), nVLAPALS100::kStatusInvalidParameter);
}

INSTANTIATE_TEST_SUITE_P(Violations, RefusedVersionText,
                         testing::Values("01.0.0f0", "1.00.0f0", "1.16.0f0", "1.0.0F0", "1.0.0f16384", "256.0.0f0",
                                         "1.0.0f", "1.0f0", " 1.0.0f0", "-1.0.0f0", "1.0.0x0", "",
                                         "99999999999999999999.0.0f0"));

TEST(VersionTextParsing, LeavesAnEarlierErrorAlone) {
  tStatus status;
  status.setCode(-1, VL_SITE);
  EXPECT_EQ(parseVersionString("1.0.0f0", status), 0u);
  EXPECT_EQ(status.getCode(), -1);
}

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
    testing::Values(Range{11, 12, 11, 12, 0, 0},  // the same range
                    Range{12, 12, 11, 12, 0, 0},  // one version inside
                    Range{12, 20, 5, 12, 0, 0},   // oldest equals the driver's high
                    Range{1, 11, 11, 12, 0, 0},   // current equals the driver's low
                    Range{13, 12, 11, 12, codes::kComponentRangeEmpty, codes::kComponentRangeEmpty},
                    Range{13, 12, 12, 11, codes::kComponentRangeEmpty, codes::kComponentRangeEmpty},
                    Range{11, 12, 12, 11, codes::kInvalidArgument, codes::kInvalidArgument},
                    Range{13, 14, 11, 12, codes::kFpgaNeedsNewerSoftware, codes::kDriverNeedsNewerSoftware},
                    Range{5, 10, 11, 12, codes::kFpgaTooOld, codes::kDriverTooOld}));

TEST(VersionMismatch, IsExactlyTheTwoDriverVersionCodes) {
  for (int32_t code : {codes::kDriverTooOld, codes::kDriverNeedsNewerSoftware, codes::kFpgaTooOld,
                       codes::kFpgaNeedsNewerSoftware, codes::kComponentRangeEmpty, 0}) {
    tStatus status;
    if (code != 0) status.setCode(code, VL_SITE);
    EXPECT_EQ(isVersionMismatchStatus(status), code == codes::kDriverTooOld || code == codes::kDriverNeedsNewerSoftware)
        << std::hex << code;
  }
}

TEST(ValueByWidth, ReadsOneTwoOrFourBytesAnywhereAndRefusesOtherWidths) {
  const uint8_t bytes[] = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55};
  tStatus status;
  EXPECT_EQ(readValueByWidth(bytes + 1, 1, status), 0x11u);
  EXPECT_EQ(readValueByWidth(bytes + 1, 2, status), 0x2211u);
  EXPECT_EQ(readValueByWidth(bytes + 1, 4, status), 0x44332211u);
  EXPECT_EQ(status.getCode(), 0);
  for (uint32_t width : {0u, 3u, 8u}) {
    EXPECT_EQ(codeAfter([&](tStatus& s) { EXPECT_EQ(readValueByWidth(bytes, width, s), 0u); }),
              nVLAPALS100::kStatusBadSelector);
  }
}

}  // namespace
