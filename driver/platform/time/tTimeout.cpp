#include "tTimeout.h"

#include "../zuk/ZukTime.h"

namespace nVLAPAL000 {

uint64_t tTimebasePrecise::getTime() { return nVLZUK1_getMonotonicCounter() * getTimerUnits().counterFactor; }

uint64_t tTimebaseEfficient::getTime() { return getTimerCount() * getTick(); }

// The kernel layer takes microseconds in 32 bits; a longer sleep wraps and
// the caller, which always measures again, sleeps the rest afterwards.
void sleepWholeMilliseconds(uint64_t milliseconds) {
  nVLZUK250_sleepTimeout(static_cast<uint32_t>(milliseconds * 1000));
}

void yieldProcessor() { nVLZUK200_yield(); }

template class tTimeout<tTimeWasterMillisecondSleepForAtLeast<0>, tTimebasePrecise>;
template class tTimeout<tTimeWasterMillisecondSleepForAtLeast<0>, tTimebaseEfficient>;
template class tTimeout<tTimeWasterSpin, tTimebasePrecise>;

}  // namespace nVLAPAL000
