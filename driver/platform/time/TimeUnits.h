// Time units and conversion between them. Conversion walks one unit at a
// time and truncates at every step, as the hardware timeouts expect.
#ifndef VL9738K_PLATFORM_TIME_UNITS_H
#define VL9738K_PLATFORM_TIME_UNITS_H

#include <stdint.h>

namespace nVLAPAL000 {

enum tTimeUnit : uint32_t {
  kTimeUnitFinest = 0,
  kTimeUnitNanoseconds = 1,
  kTimeUnitMicroseconds = 2,
  kTimeUnitMilliseconds = 3,
  kTimeUnitSeconds = 4,
  kTimeUnitMinutes = 5,
};

uint64_t convertTime(uint64_t value, tTimeUnit from, tTimeUnit to);

// Units of the kernel layer's clocks, read once on first use.
struct tTimerUnits {
  tTimeUnit timerUnit;
  tTimeUnit counterUnit;
  uint64_t timerInterval;
  uint64_t counterFactor;
  bool initialized;
};

const tTimerUnits& getTimerUnits();
uint64_t getTimerCount();

}  // namespace nVLAPAL000

#endif
