#include "RefClockWaits.h"

#include "../../../platform/time/tTimeout.h"

namespace nVL9738K_24_0 {
namespace refclk_waits {

void sleepFor(uint32_t milliseconds) {
  nVLAPAL000::tTimeout<nVLAPAL000::tTimeWasterMillisecondSleepForAtLeast<0>, nVLAPAL000::tTimebasePrecise> timeout(
      milliseconds, nVLAPAL000::kTimeUnitMilliseconds);
  timeout.start();
  timeout.waitForTimeout();
}

}  // namespace refclk_waits
}  // namespace nVL9738K_24_0
