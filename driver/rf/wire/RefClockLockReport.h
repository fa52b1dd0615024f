// What the reference-clock lock query reports besides its lock flags.
#ifndef VL9738K_RF_WIRE_REF_CLOCK_LOCK_REPORT_H
#define VL9738K_RF_WIRE_REF_CLOCK_LOCK_REPORT_H

#include <stdint.h>

namespace vl9738settings {

struct RefClockLockReport {
  uint8_t checkFailed = 0;
  uint64_t errorInfo0 = 0;
  uint64_t errorInfo1 = 0;
};

// On the wire: u8, u64, u64, without gaps.
inline constexpr uint32_t kRefClockLockReportWireSize = 17;

}  // namespace vl9738settings

#endif
