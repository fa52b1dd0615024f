#include <gtest/gtest.h>

#include <vector>

#include "driver/platform/time/TimeUnits.h"
#include "driver/platform/time/tTimeout.h"
#include "sim/kernel/Clock.h"

namespace {

using namespace nVLAPAL000;

using SleepingTimeout = tTimeout<tTimeWasterMillisecondSleepForAtLeast<0>, tTimebasePrecise>;
using SpinningTimeout = tTimeout<tTimeWasterSpin, tTimebasePrecise>;
using TickTimeout = tTimeout<tTimeWasterMillisecondSleepForAtLeast<0>, tTimebaseEfficient>;

TEST(TimeUnits, ConversionWalksOneUnitAtATimeAndTruncates) {
  EXPECT_EQ(convertTime(1, kTimeUnitMinutes, kTimeUnitNanoseconds), 60'000'000'000u);
  EXPECT_EQ(convertTime(5, kTimeUnitMilliseconds, kTimeUnitMicroseconds), 5000u);
  EXPECT_EQ(convertTime(2'500'000, kTimeUnitNanoseconds, kTimeUnitMilliseconds), 2u);
  EXPECT_EQ(convertTime(119, kTimeUnitSeconds, kTimeUnitMinutes), 1u);
  EXPECT_EQ(convertTime(1'999'999, kTimeUnitMicroseconds, kTimeUnitSeconds), 1u);
  EXPECT_EQ(convertTime(7, kTimeUnitSeconds, kTimeUnitSeconds), 7u);
}

// The sleeping waste, with the clock's advance over each of its pauses kept.
struct RecordedSleeps {
  static inline std::vector<uint64_t> advancesNs;
  template <typename tTimebase>
  static void pause(uint64_t remaining) {
    const uint64_t before = sim::Clock::instance().nowNs();
    tTimeWasterMillisecondSleepForAtLeast<0>::pause<tTimebase>(remaining);
    advancesNs.push_back(sim::Clock::instance().nowNs() - before);
  }
};

TEST(Timeout, FiveMillisecondsWithHalfLeftSleepTwoThenZeroUntilExpired) {
  sim::Clock& clock = sim::Clock::instance();
  constexpr uint64_t kZeroSleepNs = 100'000;  // what a 0 ms sleep gives away here
  clock.setYieldStepNs(kZeroSleepNs);
  RecordedSleeps::advancesNs.clear();
  tTimeout<RecordedSleeps, tTimebasePrecise> timeout(5, kTimeUnitMilliseconds);
  timeout.start();
  clock.advanceNs(2'500'000);
  EXPECT_FALSE(timeout.hasExpired());
  timeout.waitForTimeout();
  EXPECT_TRUE(timeout.hasExpired());
  const std::vector<uint64_t> expected = {2'000'000,    kZeroSleepNs, kZeroSleepNs,
                                          kZeroSleepNs, kZeroSleepNs, kZeroSleepNs};
  EXPECT_EQ(RecordedSleeps::advancesNs, expected);
}

TEST(Timeout, StoppedTimeoutKeepsItsElapsedTime) {
  sim::Clock& clock = sim::Clock::instance();
  SleepingTimeout timeout(10, kTimeUnitMicroseconds);
  timeout.start();
  clock.advanceNs(4'000);
  timeout.stop();
  clock.advanceNs(100'000);
  EXPECT_EQ(timeout.getElapsed(), 4u);
  EXPECT_FALSE(timeout.hasExpired());
}

TEST(Timeout, SpinningTimeoutEndsOnTheVirtualClockWithoutSleeping) {
  sim::Clock& clock = sim::Clock::instance();
  SpinningTimeout timeout(30, kTimeUnitMicroseconds);
  timeout.start();
  const uint64_t before = clock.nowNs();
  timeout.waitForTimeout();
  const uint64_t spun = clock.nowNs() - before;
  EXPECT_TRUE(timeout.hasExpired());
  // Only the readings of the spin moved the clock, one spin step at a time.
  EXPECT_GE(spun, 30'000u);
  EXPECT_LE(spun, 30'000u + 2 * sim::Clock::kDefaultSpinStepNs);
}

TEST(Timeout, EfficientTimebaseCountsWholeTimerTicks) {
  sim::Clock& clock = sim::Clock::instance();
  clock.advanceNs(sim::Clock::kDefaultTickUs * 1000 - clock.nowNs() % (sim::Clock::kDefaultTickUs * 1000));
  TickTimeout timeout(3, kTimeUnitMilliseconds);
  timeout.start();
  clock.advanceNs(2'999'999);
  EXPECT_EQ(timeout.getElapsed(), 2u);
  EXPECT_FALSE(timeout.hasExpired());
  clock.advanceNs(1);
  EXPECT_TRUE(timeout.hasExpired());
  EXPECT_EQ(tTimebaseEfficient::getTick(), sim::Clock::kDefaultTickUs);
}

}  // namespace
