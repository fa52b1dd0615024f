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

TEST(CurveLookup, SteppedCurvesRoundUpAndInterpolatedOnesRunStraightBetweenBreakpoints) {
  tStatus status;
  const DeltaSettlingData stepped(kRising, kBreakpoints, 3, 0, 0, false, status);
  const DeltaSettlingData straight(kRising, kBreakpoints, 3, 0, 0, true, status);
  ASSERT_EQ(status.getCode(), 0);
  // {step, value}
  for (const auto& [step, value] :
       {std::pair{0u, 100u}, {10u, 100u}, {11u, 200u}, {20u, 200u}, {39u, 400u}, {1000u, 400u}}) {
    EXPECT_EQ(valueAt(stepped, step), value) << "stepped at " << step;
  }
  for (const auto& [step, value] :
       {std::pair{15u, 150u}, {30u, 300u}, {25u, 250u}, {21u, 210u}, {40u, 400u}, {UINT32_MAX, 400u}}) {
    EXPECT_EQ(valueAt(straight, step), value) << "interpolated at " << step;
  }
}

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
