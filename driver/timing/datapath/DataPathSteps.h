// The steps both data-path controls build their commands from: pulses
// that write every listed level, posted pulses that do not wait for the
// writes to complete, and waits for an engine's done bit that a recorded
// list turns into wait instructions.
#ifndef VL9738K_TIMING_DATAPATH_DATAPATHSTEPS_H
#define VL9738K_TIMING_DATAPATH_DATAPATHSTEPS_H

#include <stdint.h>

#include <initializer_list>

#include "driver/ifw/InstructionTargetMXRM.h"
#include "driver/listmode/snooping/PollerWithRedirection.h"
#include "driver/platform/poller/Poller.h"
#include "driver/platform/status/StatusCodes.h"
#include "driver/platform/status/StatusSite.h"
#include "driver/platform/text/FixedPointNumber.h"

namespace qrtifwprim::datapath {

using nVLAPALS100::tStatus;

// How long an engine may take to raise its done bit, in microseconds.
inline constexpr uint32_t kBitWaitTimeout = 1000;
inline constexpr uint64_t kBitWaitIntervalUs = 10;

// Bit 0 of `reg`, written once for every level, changed or not.
template <typename tRegister>
inline void pulse(tRegister& reg, std::initializer_list<bool> levels, tStatus& status) {
  for (bool level : levels) reg.writeBit0(level, status, true);
}

// The engine starts on the write; waiting for each write to complete
// would only delay the next level. A null target cannot be switched.
template <typename tRegister>
inline void postedPulse(vlifw::InstructionTargetMXRM* target, tRegister& reg, std::initializer_list<bool> levels,
                        tStatus& status) {
  if (status.isFatal()) return;
  if (target != nullptr) target->setWaitForWrites(false);
  pulse(reg, levels, status);
  if (target != nullptr) target->restoreWaitForWrites();
}

// While a commit is recorded the one read becomes the list's wait for the
// bit; otherwise the hardware is polled until the bit is set.
template <typename tRegister>
inline void waitForBit(RegisterPoller::PollerStore* store, uint8_t subsystem, tRegister& reg, tStatus& status) {
  if (status.isFatal()) return;
  RegisterPoller::PollerWithRedirection* poller = store != nullptr ? store->getPoller(subsystem, status) : nullptr;
  listmodek::iListInstructionInserter* inserter = poller != nullptr ? poller->getInserter() : nullptr;
  if (inserter != nullptr) {
    inserter->announceBitWaitRead(kBitWaitTimeout, 1, 1, 0, reg.getValue(), status);
    reg.readRegister(status);
    inserter->clearBitWaitRead();
    return;
  }
  atut::SpinningPoller(kBitWaitIntervalUs, kBitWaitIntervalUs)
      .poll(
          reg, [](tRegister& r, tStatus& s) { return r.readRegister(s); }, 1, 1, kBitWaitTimeout, true,
          atut::SpinningPoller::kConditionBit0Set, status);
}

// A number of another format would land in its register misread.
inline bool configurationMatches(const vlfxptype::Number& number, const vlfxptype::Configuration& expected,
                                 tStatus& status) {
  if (status.isFatal()) return false;
  if (number.configuration == expected) return true;
  status.setCode(nVLAPALS100::kStatusInvalidParameter, VL_SITE);
  return false;
}

}  // namespace qrtifwprim::datapath

#endif
