// The one way the driver waits for hardware: read a value again and again
// until a condition on it holds, waiting between reads with an interval
// that doubles up to a maximum, and give up after a timeout.
//
// The clock and the way of waiting come from the time-out type: a spinning
// time-out for code that may not sleep, a sleeping one elsewhere.
#ifndef VL9738K_PLATFORM_POLLER_POLLER_H
#define VL9738K_PLATFORM_POLLER_POLLER_H

#include <stdint.h>

#include <type_traits>

#include "../status/tStatus.h"
#include "../time/TimeUnits.h"
#include "../time/tTimeout.h"

namespace atut {

// What a poller does instead of recording its timeout code. Defined inline,
// so that code built with type information may implement it too.
class PollerTimeoutHandler {
 public:
  virtual ~PollerTimeoutHandler() = default;
  virtual void timeout(nVLAPALS100::tStatus& status) = 0;
};

template <typename tTimeoutType, typename tValue = unsigned int>
class Poller {
 public:
  enum PollCondition : uint32_t {
    kConditionBit0Set = 0,         // bit 0 of (value & mask) is set
    kConditionAllMaskBitsSet = 1,  // (value & mask) == mask
    kConditionBit0Clear = 2,       // bit 0 of (value & mask) is clear
    kConditionEquals = 3,          // (value & mask) == expected
  };

  // Intervals in microseconds: the wait after the first unsuccessful read,
  // and the largest wait; a maximum of 0 reads back to back.
  Poller(uint64_t initialIntervalUs, uint64_t maximumIntervalUs, int32_t timeoutCode = nVLAPALS100::kStatusTimeout,
         PollerTimeoutHandler* handler = nullptr)
      : initialIntervalUs_(initialIntervalUs),
        maximumIntervalUs_(maximumIntervalUs),
        timeoutCode_(timeoutCode),
        handler_(handler) {}

  // Reads through `function` on `object`: a member function taking the
  // status (a virtual one dispatches as usual), or any callable taking the
  // object and the status. The value is read at least once; the read that
  // starts after the deadline is the last, and its success still counts.
  // Without timeoutEnabled the polling ends only on success or a failed
  // read. The outcome is in the status.
  template <typename tObject, typename tFunction>
  void poll(tObject& object, tFunction function, tValue expected, tValue mask, uint64_t timeoutUs, bool timeoutEnabled,
            PollCondition condition, nVLAPALS100::tStatus& status) const {
    if (status.isFatal()) return;
    const uint64_t tick = tTimebase::getTick();
    const uint64_t deadline =
        plusTick(nVLAPAL000::convertTime(timeoutUs, nVLAPAL000::kTimeUnitMicroseconds, tTimebase::kUnit), tick);
    const uint64_t start = timeoutEnabled ? tTimebase::getTime() : 0;
    uint64_t intervalUs = initialIntervalUs_;
    bool timedOut = false;
    do {
      // Judged before the read, so that a read made after the deadline
      // still gets its chance.
      if (timeoutEnabled) timedOut = tTimebase::getTime() - start >= deadline;
      const tValue value = read(object, function, status);
      const Outcome outcome = test(condition, value, expected, mask);
      if (outcome == Outcome::kMet) return;
      if (outcome == Outcome::kInvalid) status.setCode(nVLAPALS100::kStatusInvalidParameter, VL_SITE);
      if (maximumIntervalUs_ != 0) intervalUs = wait(intervalUs, tick);
    } while (!timedOut && status.isNotFatal());
    if (handler_ != nullptr) {
      handler_->timeout(status);
    } else {
      status.setCode(timeoutCode_, VL_SITE);
    }
  }

 private:
  using tTimebase = typename tTimeoutType::tTimebase;
  using tTimeWaster = typename tTimeoutType::tTimeWaster;

  enum class Outcome { kMet, kNotMet, kInvalid };

  static uint64_t plusTick(uint64_t amount, uint64_t tick) {
    return amount > UINT64_MAX - tick ? amount : amount + tick;
  }

  template <typename tObject, typename tFunction>
  static tValue read(tObject& object, tFunction function, nVLAPALS100::tStatus& status) {
    if constexpr (std::is_member_function_pointer_v<tFunction>) {
      return static_cast<tValue>((object.*function)(status));
    } else {
      return static_cast<tValue>(function(object, status));
    }
  }

  static Outcome test(PollCondition condition, tValue value, tValue expected, tValue mask) {
    const tValue masked = value & mask;
    switch (condition) {
      case kConditionBit0Set:
        return (masked & 1) != 0 ? Outcome::kMet : Outcome::kNotMet;
      case kConditionAllMaskBitsSet:
        return masked == mask ? Outcome::kMet : Outcome::kNotMet;
      case kConditionBit0Clear:
        return (masked & 1) == 0 ? Outcome::kMet : Outcome::kNotMet;
      case kConditionEquals:
        return masked == expected ? Outcome::kMet : Outcome::kNotMet;
    }
    return Outcome::kInvalid;
  }

  // Waits one interval (plus a tick, so that a coarse clock never cuts it
  // short) from a fresh reading of the clock; returns the next interval.
  uint64_t wait(uint64_t intervalUs, uint64_t tick) const {
    const uint64_t target =
        plusTick(nVLAPAL000::convertTime(intervalUs, nVLAPAL000::kTimeUnitMicroseconds, tTimebase::kUnit), tick);
    tTimeWaster::template waitUntil<tTimebase>(tTimebase::getTime(), target);
    const uint64_t doubled = intervalUs > UINT64_MAX / 2 ? UINT64_MAX : 2 * intervalUs;
    return doubled < maximumIntervalUs_ ? doubled : maximumIntervalUs_;
  }

  uint64_t initialIntervalUs_;
  uint64_t maximumIntervalUs_;
  int32_t timeoutCode_;
  PollerTimeoutHandler* handler_;
};

// The three ways the driver polls: spinning on the monotonic counter,
// sleeping on the timer count, and sleeping on the monotonic counter.
using SpinningPoller = Poller<nVLAPAL000::tTimeout<nVLAPAL000::tTimeWasterSpin, nVLAPAL000::tTimebasePrecise>>;
using EfficientSleepingPoller =
    Poller<nVLAPAL000::tTimeout<nVLAPAL000::tTimeWasterMillisecondSleepForAtLeast<0>, nVLAPAL000::tTimebaseEfficient>>;
using PreciseSleepingPoller =
    Poller<nVLAPAL000::tTimeout<nVLAPAL000::tTimeWasterMillisecondSleepForAtLeast<0>, nVLAPAL000::tTimebasePrecise>>;

extern template class Poller<nVLAPAL000::tTimeout<nVLAPAL000::tTimeWasterSpin, nVLAPAL000::tTimebasePrecise>>;
extern template class Poller<
    nVLAPAL000::tTimeout<nVLAPAL000::tTimeWasterMillisecondSleepForAtLeast<0>, nVLAPAL000::tTimebaseEfficient>>;
extern template class Poller<
    nVLAPAL000::tTimeout<nVLAPAL000::tTimeWasterMillisecondSleepForAtLeast<0>, nVLAPAL000::tTimebasePrecise>>;

}  // namespace atut

#endif
