// How the instruction framework waits for its hardware: read, and if the
// awaited state is not there yet, give the processor away and read again,
// for at most a number of milliseconds on the monotonic counter.
#ifndef VL9738K_IFW_YIELDINGPOLL_H
#define VL9738K_IFW_YIELDINGPOLL_H

#include <stdint.h>

#include "driver/platform/status/tStatus.h"
#include "driver/platform/time/tTimeout.h"

namespace vlifw {

// `check(status)` reads once and says whether the awaited state was seen.
// Returns true when it was; false when the time ran out or the status
// turned bad. A timeout that is negative as a signed 32-bit number never
// runs out. The deadline is judged before each read, so the read that
// starts after it is the last and still counts.
template <typename tCheck>
bool pollYielding(uint32_t timeoutMs, tCheck&& check, nVLAPALS100::tStatus& status) {
  using tYieldingTimeout = nVLAPAL000::tTimeout<nVLAPAL000::tTimeWasterYield, nVLAPAL000::tTimebasePrecise>;
  const bool limited = static_cast<int32_t>(timeoutMs) >= 0;
  tYieldingTimeout timeout(timeoutMs, nVLAPAL000::kTimeUnitMilliseconds);
  timeout.start();
  for (;;) {
    const bool expired = limited && timeout.hasExpired();
    if (check(status)) return true;
    if (status.isFatal() || expired) return false;
    nVLAPAL000::tTimeWasterYield::pause<nVLAPAL000::tTimebasePrecise>(0);
  }
}

}  // namespace vlifw

#endif
