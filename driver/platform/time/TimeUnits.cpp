#include "TimeUnits.h"

#include "../zuk/ZukTime.h"

namespace nVLAPAL000 {
namespace {

tTimerUnits gTimerUnits = {kTimeUnitMicroseconds, kTimeUnitNanoseconds, 0, 1, false};

uint64_t stepFactor(uint32_t coarser) { return coarser == kTimeUnitMinutes ? 60 : 1000; }

}  // namespace

uint64_t convertTime(uint64_t value, tTimeUnit from, tTimeUnit to) {
  uint32_t unit = from;
  while (unit > to) {
    value *= stepFactor(unit);
    --unit;
  }
  while (unit < to) {
    ++unit;
    value /= stepFactor(unit);
  }
  return value;
}

const tTimerUnits& getTimerUnits() {
  if (!gTimerUnits.initialized) {
    gTimerUnits.timerUnit = kTimeUnitMicroseconds;
    gTimerUnits.counterUnit = kTimeUnitNanoseconds;
    gTimerUnits.timerInterval = nVLZUK100_getTimerInterval();
    gTimerUnits.counterFactor = convertTime(1, gTimerUnits.counterUnit, kTimeUnitNanoseconds);
    gTimerUnits.initialized = true;
  }
  return gTimerUnits;
}

uint64_t getTimerCount() { return nVLZUK110_getTimerCount(); }

}  // namespace nVLAPAL000
