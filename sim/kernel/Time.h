// Kernel-layer time of day. It runs with the kernel clock (so it is
// virtual too) from a fixed, settable point, which keeps tests repeatable.
#ifndef VL9738K_SIM_TIME_H
#define VL9738K_SIM_TIME_H

#include <cstdint>

namespace sim {

class Time {
 public:
  // 2026-01-01 00:00:00 UTC.
  static constexpr uint64_t kDefaultSecondsSince1970 = 1767225600;
  // The time of day is this now, and runs on with the kernel clock.
  static void setTimeOfDay(uint64_t seconds, uint64_t microseconds);
  static void reset();
};

}  // namespace sim

#endif
