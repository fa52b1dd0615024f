// A time budget measured on one of the kernel layer's clocks, and the ways
// of letting time pass until a point on that clock.
//
// A timebase names a clock: its unit, the length of one of its ticks (in
// that unit) and the current reading (count x tick, in that unit). A time
// waster lets time pass on a timebase, either by spinning on the clock (for
// code that may not sleep) or by sleeping in whole milliseconds.
#ifndef VL9738K_PLATFORM_TTIMEOUT_H
#define VL9738K_PLATFORM_TTIMEOUT_H

#include <stdint.h>

#include "TimeUnits.h"

namespace nVLAPAL000 {

// The monotonic counter: nanoseconds, one tick is one nanosecond.
struct tTimebasePrecise {
  static constexpr tTimeUnit kUnit = kTimeUnitNanoseconds;
  static uint64_t getTick() { return 1; }
  static uint64_t getTime();
};

// The timer count: cheap to read, but only as fine as the timer tick.
struct tTimebaseEfficient {
  static constexpr tTimeUnit kUnit = kTimeUnitMicroseconds;
  static uint64_t getTick() { return getTimerUnits().timerInterval; }
  static uint64_t getTime();
};

// Busy-waits by re-reading the clock: usable where sleeping is not.
struct tTimeWasterSpin {
  // Returns once `target` timebase units have passed since `from`.
  template <typename tTimebase>
  static void waitUntil(uint64_t from, uint64_t target) {
    while (tTimebase::getTime() - from < target) {
    }
  }
  // Lets `remaining` timebase units pass.
  template <typename tTimebase>
  static void pause(uint64_t remaining) {
    waitUntil<tTimebase>(tTimebase::getTime(), remaining);
  }
};

void sleepWholeMilliseconds(uint64_t milliseconds);
void yieldProcessor();

// Gives the processor away once per pause: for polls that must let other
// threads run between reads but need no fixed interval.
struct tTimeWasterYield {
  template <typename tTimebase>
  static void pause(uint64_t) {
    yieldProcessor();
  }
  template <typename tTimebase>
  static void waitUntil(uint64_t from, uint64_t target) {
    while (tTimebase::getTime() - from < target) yieldProcessor();
  }
};

// Sleeps whole milliseconds (at least kMinimumMs per sleep). A remainder
// below one millisecond sleeps 0, which gives the processor away once and
// lets the caller measure again.
template <uint32_t kMinimumMs>
struct tTimeWasterMillisecondSleepForAtLeast {
  template <typename tTimebase>
  static void pause(uint64_t remaining) {
    const uint64_t milliseconds = convertTime(remaining, tTimebase::kUnit, kTimeUnitMilliseconds);
    sleepWholeMilliseconds(milliseconds > kMinimumMs ? milliseconds : kMinimumMs);
  }
  template <typename tTimebase>
  static void waitUntil(uint64_t from, uint64_t target) {
    for (;;) {
      const uint64_t elapsed = tTimebase::getTime() - from;
      if (elapsed >= target) return;
      pause<tTimebase>(target - elapsed);
    }
  }
};

template <typename tTimeWasterType, typename tTimebaseType>
class tTimeout {
 public:
  using tTimeWaster = tTimeWasterType;
  using tTimebase = tTimebaseType;

  tTimeout(uint64_t amount, tTimeUnit unit)
      : start_(0), accumulated_(0), running_(false), amount_(amount), unit_(unit) {}

  void start() {
    start_ = tTimebase::getTime();
    running_ = true;
  }

  void stop() {
    accumulated_ = elapsedInTimebase();
    running_ = false;
  }

  // Time spent while running, in the time-out's own unit.
  uint64_t getElapsed() const { return convertTime(elapsedInTimebase(), tTimebase::kUnit, unit_); }
  bool hasExpired() const { return amount_ <= getElapsed(); }

  // Lets time pass until the budget is spent. The remainder is measured
  // again after every pause, so an early wake-up only costs another round.
  void waitForTimeout() const {
    for (;;) {
      const uint64_t elapsed = elapsedInTimebase();
      if (amount_ <= convertTime(elapsed, tTimebase::kUnit, unit_)) return;
      const uint64_t amount = convertTime(amount_, unit_, tTimebase::kUnit);
      tTimeWaster::template pause<tTimebase>(amount > elapsed ? amount - elapsed : 0);
    }
  }

 private:
  uint64_t elapsedInTimebase() const { return accumulated_ + (running_ ? tTimebase::getTime() - start_ : 0); }

  uint64_t start_;
  uint64_t accumulated_;
  bool running_;
  uint64_t amount_;
  tTimeUnit unit_;
};

extern template class tTimeout<tTimeWasterMillisecondSleepForAtLeast<0>, tTimebasePrecise>;
extern template class tTimeout<tTimeWasterMillisecondSleepForAtLeast<0>, tTimebaseEfficient>;
extern template class tTimeout<tTimeWasterSpin, tTimebasePrecise>;

}  // namespace nVLAPAL000

#endif
