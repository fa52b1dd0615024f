#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "driver/rf/settling/SettlingTimerHandler.h"
#include "tests/rf/primitives/LoPathFixture.h"
#include "tests/support/AllocationSweep.h"
#include "tests/support/StatusChecks.h"

namespace {

using cbak::SettlingTimerHandler;
using ConfigV1ki::ComponentUID;
using ConfigV1ki::SettlingSetting;
using nVLAPALS100::tStatus;
using vltest::RecordingControl;
using vltest::Site;

constexpr const char* kHandlerFile = "source/shared/SettlingTimerHandler/SettlingTimerHandler";
constexpr int64_t kControlMissing = static_cast<int32_t>(0xBFFA8710u);

const uint32_t kBreakpoints[] = {10, 20, 40};
const uint32_t kCurve0[] = {100, 200, 400};
const uint32_t kCurve1[] = {1, 2, 4};
const uint32_t kFalling[] = {7, 8, 9};

class SettlingTimerHandlerTest : public testing::Test {
 protected:
  SettlingTimerHandlerTest() { handler.attachControls(&control0, &control1); }

  void registerBothCurves(const ComponentUID& key, bool falling = false) {
    handler.registerDeltaCurve(key, falling ? kFalling : kCurve0, kBreakpoints, 3, 0, falling, false, status);
    handler.registerDeltaCurve(key, falling ? kFalling : kCurve1, kBreakpoints, 3, 1, falling, false, status);
  }
  using Writes = std::vector<uint32_t>;
  std::pair<Writes, Writes> writes() const { return {control0.written, control1.written}; }

  RecordingControl control0;
  RecordingControl control1;
  SettlingTimerHandler handler{nullptr, nullptr};
  tStatus status{tStatus::kFullSize};
  const ComponentUID fixedKey{3, 1, 0};
  const ComponentUID deltaKey{3, 1, 1};
};

TEST_F(SettlingTimerHandlerTest, SetTimersWritesBothControlsZerosIncluded) {
  handler.setTimers(0, 0, status);
  handler.setTimers(5, 6, status);
  handler.setFirstTimer(9, status);
  EXPECT_EQ(writes(), (std::pair<Writes, Writes>{{0, 5, 9}, {0, 6}}));
  EXPECT_EQ(status.getCode(), 0);
}

TEST_F(SettlingTimerHandlerTest, AMissingControlIsReportedAndTheOtherWriteStillAttempted) {
  handler.attachControls(nullptr, &control1);
  handler.setFirstTimer(9, status);
  EXPECT_EQ(status.getCode(), 0);
  handler.setTimers(5, 6, status);
  EXPECT_EQ(vltest::siteOf(status), (Site{kControlMissing, kHandlerFile, 159}));
  EXPECT_EQ(control1.calls, 1);  // attempted, but the control writes nothing on an error
  EXPECT_TRUE(control1.written.empty());

  handler.attachControls(&control0, nullptr);
  EXPECT_EQ(vltest::siteOf(vltest::statusAfter([&](tStatus& s) { handler.setTimers(5, 6, s); })),
            (Site{kControlMissing, kHandlerFile, 168}));
  EXPECT_EQ(control0.written, Writes{5});
  handler.clearControls();
  EXPECT_EQ(handler.getSecondTimer(), nullptr);
}

TEST_F(SettlingTimerHandlerTest, FixedSettingsAreKeptPerMapAndTheLastRegistrationWins) {
  handler.registerFirstSetting(SettlingSetting{1, 2, fixedKey}, status);
  handler.registerFirstSetting(SettlingSetting{3, 4, fixedKey}, status);
  handler.registerSecondSetting(SettlingSetting{5, 6, fixedKey}, status);
  handler.programFirstSetting(fixedKey, status);
  handler.programSecondSetting(fixedKey, status);
  handler.programSecondSetting(deltaKey, status);  // absent: nothing
  EXPECT_EQ(writes(), (std::pair<Writes, Writes>{{3, 5}, {4, 6}}));
  EXPECT_EQ(handler.findSecondSetting(ComponentUID{3, 0, 0}, status), nullptr);
  EXPECT_EQ(status.getCode(), 0);

  handler.clearControls();
  EXPECT_EQ(vltest::siteOf(vltest::statusAfter([&](tStatus& s) { handler.programFirstSetting(fixedKey, s); })),
            (Site{kControlMissing, kHandlerFile, 86}));
}

TEST_F(SettlingTimerHandlerTest, AKeyStaysFixedOrDeltaAsFirstRegistered) {
  handler.registerSecondSetting(SettlingSetting{1, 2, fixedKey}, status);
  registerBothCurves(deltaKey);
  ASSERT_EQ(status.getCode(), 0);
  EXPECT_EQ(vltest::siteOf(vltest::statusAfter(
                [&](tStatus& s) { handler.registerDeltaCurve(fixedKey, kCurve0, kBreakpoints, 3, 0, false, 0, s); })),
            (Site{-52005, kHandlerFile, 246}));
  EXPECT_EQ(vltest::siteOf(vltest::statusAfter([&](tStatus& s) {
              handler.registerFirstSetting(SettlingSetting{1, 2, deltaKey}, s);
            })),
            (Site{-52005, kHandlerFile, 190}));
  EXPECT_EQ(vltest::siteOf(vltest::statusAfter([&](tStatus& s) { handler.applyChange(fixedKey, 0, 1, s); })),
            (Site{-52005, kHandlerFile, 114}));
  EXPECT_EQ(handler.findFirstSetting(deltaKey, status), nullptr);
  EXPECT_TRUE(control0.written.empty());
}

TEST_F(SettlingTimerHandlerTest, ChangesLookTheirSettlingTimesUpOnTheCurves) {
  registerBothCurves(deltaKey);
  handler.applyChange(deltaKey, 100, 111, status);  // rise of 11
  handler.applyChange(deltaKey, 50, 50, status);    // step 0: the first values
  handler.applyChange(deltaKey, 150, 130, status);  // fall of 20 without falling curves
  handler.applyChange(ComponentUID{9, 9, 9}, 0, 1000, status);
  EXPECT_EQ(writes(), (std::pair<Writes, Writes>{{200, 100, 200}, {2, 1, 2}}));

  registerBothCurves(deltaKey, true);
  handler.applyChange(deltaKey, 150, 130, status);
  handler.applyChange(deltaKey, 130, 150, status);
  EXPECT_EQ(writes(), (std::pair<Writes, Writes>{{200, 100, 200, 8, 200}, {2, 1, 2, 8, 2}}));
  EXPECT_EQ(status.getCode(), 0);
}

TEST_F(SettlingTimerHandlerTest, ACurveSetNeedsBothCurvesAndFallsNeedTheirOwnSet) {
  handler.registerDeltaCurve(deltaKey, kCurve0, kBreakpoints, 3, 0, false, false, status);
  EXPECT_EQ(vltest::codeAfter([&](tStatus& s) { handler.applyChange(deltaKey, 0, 15, s); }), -52005);

  // Falling curves announced for a key whose rising set is missing.
  const ComponentUID onlyFalling{4, 0, 0};
  registerBothCurves(onlyFalling, true);
  EXPECT_EQ(vltest::siteOf(vltest::statusAfter([&](tStatus& s) { handler.applyChange(onlyFalling, 0, 15, s); })),
            (Site{-52005, kHandlerFile, 129}));
  handler.applyChange(onlyFalling, 15, 0, status);
  EXPECT_EQ(writes(), (std::pair<Writes, Writes>{{8}, {8}}));
  EXPECT_EQ(status.getCode(), 0);
}

TEST(MemoryManagedITLMap, RefusesAKeyThatIsPresent) {
  cbak::MemoryManagedITLMap<ComponentUID, uint32_t> map;
  tStatus status(tStatus::kFullSize);
  EXPECT_NE(map.insert(ComponentUID{1, 2, 3}, 5, status), nullptr);
  EXPECT_EQ(map.insert(ComponentUID{1, 2, 3}, 6, status), nullptr);
  EXPECT_EQ(vltest::siteOf(status), (Site{-52005, "CBA2Common/MemoryManagedMap", 78}));
  EXPECT_EQ(*map.find(ComponentUID{1, 2, 3}), 5u);
}

TEST_F(SettlingTimerHandlerTest, RegistrationsSurviveAllocationFailuresWithoutLeaks) {
  vltest::sweepAllocationFailures([&] {
    SettlingTimerHandler local(&control0, &control1);
    tStatus s;
    local.registerFirstSetting(SettlingSetting{1, 2, fixedKey}, s);
    local.registerDeltaCurve(deltaKey, kCurve0, kBreakpoints, 3, 0, false, true, s);
    local.registerDeltaCurve(deltaKey, kCurve1, kBreakpoints, 3, 1, false, true, s);
    local.registerDeltaCurve(deltaKey, kFalling, kBreakpoints, 3, 0, true, true, s);
    if (s.getCode() == 0) return local.findFirstSetting(fixedKey, s) == nullptr ? 1 : 0;
    return s.getCode() == -52000 ? 0 : 2;
  });
}

}  // namespace
