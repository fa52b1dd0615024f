// Absolute time as the instruments count it: seconds since 1904-01-01 and
// the fraction of the current second in units of 2^-64 s.
#ifndef VL9738K_PLATFORM_THREAD_ABSOLUTE_TIME_H
#define VL9738K_PLATFORM_THREAD_ABSOLUTE_TIME_H

#include <stdint.h>

namespace nVLAPAL000 {

struct tAbsoluteTime {
  uint64_t fraction;
  uint64_t seconds;
};

// Seconds from 1904-01-01 to 1970-01-01.
inline constexpr uint64_t kSecondsFrom1904To1970 = 2082844800;
// 2^64 / 10^6, truncated: one microsecond as a fraction of a second.
inline constexpr uint64_t kFractionPerMicrosecond = 18446744073709;

tAbsoluteTime getAbsoluteTime();

}  // namespace nVLAPAL000

#endif
