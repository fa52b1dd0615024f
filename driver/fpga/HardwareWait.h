// Bounded waits on a bridge register for the configuration-port and FPGA
// programming protocols: read until a condition holds, the status fails or
// the budget (on the monotonic counter) is spent, then read once more, so
// that a value that arrived just at the deadline still counts. Only that
// last value is judged by the caller.
#ifndef VL9738K_FPGA_HARDWAREWAIT_H
#define VL9738K_FPGA_HARDWAREWAIT_H

#include <stdint.h>

#include "driver/platform/status/tStatus.h"
#include "driver/platform/time/tTimeout.h"

namespace vllym {

// tWaster: nVLAPAL000::tTimeWasterSpin for the configuration port (it must
// not give the processor away), tTimeWasterYield for the FPGA's bits.
template <typename tWaster, typename tRead, typename tDone>
auto waitForValue(uint64_t budgetMs, tRead read, tDone done, nVLAPALS100::tStatus& status) {
  nVLAPAL000::tTimeout<tWaster, nVLAPAL000::tTimebasePrecise> timeout(budgetMs, nVLAPAL000::kTimeUnitMilliseconds);
  timeout.start();
  auto value = read();
  while (!done(value) && status.isNotFatal() && !timeout.hasExpired()) {
    tWaster::template pause<nVLAPAL000::tTimebasePrecise>(0);
    value = read();
  }
  return read();
}

}  // namespace vllym

#endif
