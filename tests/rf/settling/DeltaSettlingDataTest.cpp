#include <gtest/gtest.h>

#include <cstdint>

#include "driver/rf/settling/DeltaSettlingData.h"
#include "tests/support/AllocationSweep.h"
#include "tests/support/StatusChecks.h"

namespace {

using cbak::DeltaSettlingData;
using nVLAPALS100::tStatus;

const uint32_t kBreakpoints[] = {10, 20, 40};
const uint32_t kRising[] = {100, 200, 400};

uint32_t valueAt(const DeltaSettlingData& data, uint32_t step, uint32_t curve = 0) {
  uint32_t out = 0xDEADBEEF;
  data.lookup(step, out, curve);
  return out;
}

struct CurvePoint {
  bool interpolate;
  uint32_t step;
  uint32_t expected;
};

class CurveLookup : public testing::TestWithParam<CurvePoint> {};

TEST_P(CurveLookup, SteppedCurvesRoundUpAndInterpolatedOnesRunStraightBetweenBreakpoints) {
  tStatus status;
  const DeltaSettlingData data(kRising, kBreakpoints, 3, 0, 0, GetParam().interpolate, status);
  ASSERT_EQ(status.getCode(), 0);
  EXPECT_EQ(valueAt(data, GetParam().step), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Edges, CurveLookup,
                         testing::Values(CurvePoint{false, 0, 100}, CurvePoint{false, 10, 100},
                                         CurvePoint{false, 11, 200}, CurvePoint{false, 20, 200},
                                         CurvePoint{false, 39, 400}, CurvePoint{false, 1000, 400},
                                         CurvePoint{true, 15, 150}, CurvePoint{true, 30, 300},
                                         CurvePoint{true, 25, 250}, CurvePoint{true, 21, 210},
                                         CurvePoint{true, 40, 400}, CurvePoint{true, UINT32_MAX, 400}));

TEST(DeltaSettlingData, DecreasingAndSteepSegmentsInterpolateBetweenTheirEnds) {
  tStatus status;
  const uint32_t falling[] = {400, 200, 100};
  const DeltaSettlingData down(falling, kBreakpoints, 3, 0, 0, 1, status);
  EXPECT_EQ(valueAt(down, 15), 300u);
  EXPECT_EQ(valueAt(down, 30), 150u);
  EXPECT_EQ(valueAt(down, 39), 105u);  // 200 - 100 * 19 / 20, truncated toward the start value

  // A rise times the distance that passes 2^32 still lands on the segment.
  const uint32_t wide[] = {0, 4000000000u};
  const uint32_t far[] = {0, 4000000000u};
  const DeltaSettlingData steep(wide, far, 2, 0, 0, 1, status);
  EXPECT_EQ(valueAt(steep, 3000000000u), 3000000000u);
  EXPECT_EQ(status.getCode(), 0);
}

TEST(DeltaSettlingData, OnePointAndEmptyCurves) {
  tStatus status;
  const uint32_t single = 77;
  DeltaSettlingData data(&single, kBreakpoints, 1, 1, 0, 1, status);
  EXPECT_EQ(valueAt(data, 0, 1), 77u);
  EXPECT_EQ(valueAt(data, 500, 1), 77u);
  EXPECT_EQ(valueAt(data, 500, 0), 0u);

  uint32_t value0 = 5;
  uint32_t value1 = 6;
  EXPECT_EQ(vltest::siteOf(vltest::statusAfter([&](tStatus& s) { data.getSettlingValues(3, value0, value1, s); })),
            (vltest::Site{-52005, "source/shared/SettlingTimerHandler/DeltaSettlingData", 65}));
  EXPECT_EQ(value0, 5u);
  EXPECT_EQ(value1, 6u);
}

TEST(DeltaSettlingData, UpdatesWithAWrongTagOrCurveChangeNothing) {
  tStatus status;
  DeltaSettlingData data(kRising, kBreakpoints, 3, 0, 1, 0, status);
  const uint32_t other[] = {1, 2, 3};
  EXPECT_EQ(vltest::siteOf(vltest::statusAfter([&](tStatus& s) { data.setCurve(other, other, 3, 0, 0, 1, s); })),
            (vltest::Site{-52003, "source/shared/SettlingTimerHandler/DeltaSettlingData", 38}));
  EXPECT_EQ(valueAt(data, 15), 200u);  // still stepped, still the old points

  EXPECT_EQ(vltest::codeAfter([&](tStatus& s) { data.setCurve(other, other, 3, 2, 1, 1, s); }), 0);
  EXPECT_EQ(data.pointCount(1), 0u);
  EXPECT_EQ(valueAt(data, 15), 200u);
  EXPECT_EQ(vltest::codeAfter([&](tStatus& s) { data.setCurve(nullptr, other, 3, 0, 1, 0, s); }), -52005);
}

// Whichever copy runs out of memory, the curve keeps its old points whole.
TEST(DeltaSettlingData, AFailedUpdateKeepsBreakpointsAndValuesTogether) {
  tStatus status;
  DeltaSettlingData data(kRising, kBreakpoints, 3, 0, 0, 0, status);
  const uint32_t longer[] = {1, 2, 3, 4, 5, 6};
  vltest::sweepAllocationFailures([&] {
    tStatus local;
    data.setCurve(longer, longer, 6, 0, 0, 0, local);
    const bool replaced = local.getCode() == 0;
    const int wrong = replaced ? (data.pointCount(0) != 6 || valueAt(data, 4) != 4)
                               : (local.getCode() != -52000 || data.pointCount(0) != 3 || valueAt(data, 15) != 200);
    if (!replaced) data.setCurve(kRising, kBreakpoints, 3, 0, 0, 0, local);
    return wrong;
  });
}

}  // namespace
