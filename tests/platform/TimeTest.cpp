#include <gtest/gtest.h>

#include "driver/platform/time/TimeUnits.h"
#include "driver/platform/time/tTimeout.h"
#include "sim/kernel/Clock.h"

namespace {

using namespace nVLAPAL000;

TEST(TimeUnits, ConversionWalksOneUnitAtATimeAndTruncates) {
  EXPECT_EQ(convertTime(1, kTimeUnitMinutes, kTimeUnitNanoseconds), 60'000'000'000u);
  EXPECT_EQ(convertTime(5, kTimeUnitMilliseconds, kTimeUnitMicroseconds), 5000u);
  EXPECT_EQ(convertTime(2'500'000, kTimeUnitNanoseconds, kTimeUnitMilliseconds), 2u);
  EXPECT_EQ(convertTime(119, kTimeUnitSeconds, kTimeUnitMinutes), 1u);
  EXPECT_EQ(convertTime(1'999'999, kTimeUnitMicroseconds, kTimeUnitSeconds), 1u);
  EXPECT_EQ(convertTime(7, kTimeUnitSeconds, kTimeUnitSeconds), 7u);
}

TEST(TimeUnits, TimerUnitsComeFromTheKernelLayer) {
  const tTimerUnits& units = getTimerUnits();
  EXPECT_TRUE(units.initialized);
  EXPECT_EQ(units.timerUnit, kTimeUnitMicroseconds);
  EXPECT_EQ(units.counterUnit, kTimeUnitNanoseconds);
  EXPECT_EQ(units.counterFactor, 1u);
  EXPECT_EQ(units.timerInterval, sim::Clock::kDefaultTickUs);
}

TEST(Timeout, SleepsWholeMillisecondsUntilExpired) {
  sim::Clock& clock = sim::Clock::instance();
  tTimeout timeout(5, kTimeUnitMilliseconds);
  timeout.start();
  clock.advanceNs(2'500'000);
  EXPECT_FALSE(timeout.hasExpired());
  const uint64_t before = clock.nowNs();
  timeout.waitForTimeout();
  EXPECT_TRUE(timeout.hasExpired());
  // 2 ms of sleep, then zero-length sleeps until the last half millisecond has passed.
  EXPECT_GE(clock.nowNs() - before, 2'500'000u);
  EXPECT_LT(clock.nowNs() - before, 2'500'000u + 2 * sim::Clock::kDefaultYieldStepNs);
}

TEST(Timeout, StoppedTimeoutKeepsItsElapsedTime) {
  sim::Clock& clock = sim::Clock::instance();
  tTimeout timeout(10, kTimeUnitMicroseconds);
  timeout.start();
  clock.advanceNs(4'000);
  timeout.stop();
  clock.advanceNs(100'000);
  EXPECT_EQ(timeout.getElapsed(), 4u);
  EXPECT_FALSE(timeout.hasExpired());
}

}  // namespace
