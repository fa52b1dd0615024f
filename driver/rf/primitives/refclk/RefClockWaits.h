// The waits of the reference-clock path, all sleeping on the monotonic
// counter: fixed waits that the chips need after a step, and polls of a
// status word with a time-out.
#ifndef VL9738K_RF_PRIMITIVES_REFCLK_REF_CLOCK_WAITS_H
#define VL9738K_RF_PRIMITIVES_REFCLK_REF_CLOCK_WAITS_H

#include <stdint.h>

#include "../../../platform/poller/Poller.h"
#include "../../../platform/status/tStatus.h"

namespace nVL9738K_24_0 {
namespace refclk_waits {

// Lets `milliseconds` pass, whatever the status holds: a chip that was
// told to settle needs the time even when a later step will not run.
void sleepFor(uint32_t milliseconds);

// Reads `record` until every bit of `mask` is set, sleeping between reads
// from `firstSleepUs` doubling up to `longestSleepUs`; after `timeoutUs` the
// poll gives up with `timeoutCode`. The read after the deadline still counts.
template <typename tRecord>
void pollUntilSet(tRecord& record, uint32_t mask, uint64_t firstSleepUs, uint64_t longestSleepUs, uint64_t timeoutUs,
                  int32_t timeoutCode, nVLAPALS100::tStatus& status) {
  const atut::PreciseSleepingPoller poller(firstSleepUs, longestSleepUs, timeoutCode);
  poller.poll(
      record, [](tRecord& r, nVLAPALS100::tStatus& s) { return static_cast<unsigned int>(r.readRegister(s)); }, mask,
      mask, timeoutUs, true, atut::PreciseSleepingPoller::kConditionAllMaskBitsSet, status);
}

}  // namespace refclk_waits
}  // namespace nVL9738K_24_0

#endif
