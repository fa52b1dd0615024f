#include "SettingsMessages.h"

#include "driver/board/status/DeviceStatusCodes.h"
#include "driver/platform/time/tTimeout.h"
#include "driver/rf/settling/SettlingStatus.h"
#include "driver/rf/wire/ResourceIds.h"
#include "driver/rf/wire/SettingsBlob.h"
#include "driver/rf/wire/WireStatus.h"

namespace nVL9738K_24_0 {

using namespace vl9738settings;

namespace {

constexpr uint64_t kNanosecondsPerMillisecond = 1000000;

bool isValidId(uint32_t id) { return id >= kResourceRefClockPath0 && id <= kResourceLo1Power; }

// Resource ids 1 and 2 are paths 0 and 1 of the one reference clock.
uint32_t pathOf(uint32_t id) { return id != kResourceRefClockPath0 ? 1 : 0; }

void refuseId(nVLAPALS100::tStatus& status) {
  status.setCode(nVLAPALS100::kStatusInvalidParameter,
                 VL_SITE_AT(sites::kDeviceResources, sites::kUnknownResourceLine));
}

// The little-endian u32 at `offset`; bytes past the input read as 0.
uint32_t readWord(const uint8_t* input, uint32_t size, uint32_t offset) {
  uint32_t value = 0;
  for (uint32_t i = 0; i < 4; ++i) {
    if (input != nullptr && offset + i < size) value |= uint32_t{input[offset + i]} << (8 * i);
  }
  return value;
}

// Waits on one timer of an LO path's settling handler within `timeoutMs`,
// which is left holding what remains of it.
void waitOnTimer(cbak::SettlingTimerHandler* handler, uint32_t selector, uint32_t& timeoutMs,
                 nVLAPALS100::tStatus& status) {
  if (status.isFatal()) return;
  cbak::iSettlingControl* timer = nullptr;
  if (handler != nullptr) timer = selector == 0 ? handler->getFirstTimer() : handler->getSecondTimer();
  if (timer == nullptr) {
    // Without the engine's timer nothing can say the path has settled.
    status.setCode(cbak::kStatusSettlingControlMissing, VL_SITE);
    return;
  }
  if (timer->handlesWaits()) {
    const uint64_t microseconds = uint64_t{timeoutMs} * 1000;
    const uint32_t limited = microseconds > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(microseconds);
    timer->takeOverWait(limited, SettingsMessages::kSettlingTimedOut, handler->getGate(), status);
    return;
  }
  using tClock = nVLAPAL000::tTimebasePrecise;
  const uint64_t budget = uint64_t{timeoutMs} * kNanosecondsPerMillisecond;
  const uint64_t start = tClock::getTime();
  uint64_t elapsed = 0;
  for (;;) {
    const bool settled = timer->isSettled(status);
    elapsed = tClock::getTime() - start;
    if (status.isFatal() || settled || handler->getGate().closed(status)) break;
    if (elapsed >= budget) {
      status.setCode(SettingsMessages::kSettlingTimedOut, VL_SITE);
      break;
    }
    // Other threads, the ones that will program the next step among them,
    // keep running while this one waits.
    nVLAPAL000::yieldProcessor();
  }
  timeoutMs = elapsed < budget ? static_cast<uint32_t>((budget - elapsed) / kNanosecondsPerMillisecond) : 0;
}

}  // namespace

void SettingsMessages::process(const uint32_t* ids, uint32_t count, uint32_t type, const uint8_t* input,
                               uint32_t inputSize, uint8_t* output, uint32_t outputCapacity, tStatus& status) {
  if (status.isFatal()) return;
  if (ids == nullptr && count != 0) {
    status.setCode(nVLAPALS100::kStatusInvalidParameter, VL_SITE);
    return;
  }
  refuseUnrecorded(ids, count, type, status);
  if (status.isFatal()) return;
  switch (type) {
    case kMessageCommit:
      for (uint32_t i = 0; i < count; ++i) commit(ids[i], status);
      return;
    case kMessagePowerReductions:
      for (uint32_t i = 0; i < count; ++i) applyPowerReductions(ids[i], status);
      return;
    case kMessageSelectReferencePath:
      for (uint32_t i = 0; i < count; ++i) selectReferencePath(ids[i], status);
      return;
    case kMessageResetToDefaults: {
      bool refClockReset = false;
      for (uint32_t i = 0; i < count; ++i) resetToDefaults(ids[i], refClockReset, status);
      return;
    }
    case kMessageWaitForSettling:
      waitForSettling(ids, count, input, inputSize, status);
      return;
    case kMessageQueryLockStatus:
      queryLockStatus(ids, count, output, outputCapacity, status);
      return;
    default:
      status.setCode(nVLAPALS100::kStatusNotSupported, VL_SITE);
      return;
  }
}

// The reference clock's programming, the lock query's read-back included,
// lies in the reference CPLD; a frequency also sets its path's reference
// select there. Invalid ids touch nothing: the walk refuses them in turn.
uint32_t SettingsMessages::touchesOf(uint32_t type, uint32_t id) {
  const bool reference = id == kResourceRefClockPath0 || id == kResourceRefClockPath1;
  const bool frequency = id == kResourceLo0Frequency || id == kResourceLo1Frequency;
  const bool power = id == kResourceLo0Power || id == kResourceLo1Power;
  const uint32_t lo = frequency ? RecordedMaps::loPath(id - kResourceLo0Frequency)
                      : power   ? RecordedMaps::loPath(id - kResourceLo0Power)
                                : 0;
  switch (type) {
    case kMessageCommit:
    case kMessageResetToDefaults:
      return (reference || frequency ? uint32_t{RecordedMaps::kReference} : 0u) | lo;
    case kMessagePowerReductions:
      return power ? lo : 0;
    case kMessageSelectReferencePath:
    case kMessageQueryLockStatus:
      return reference ? uint32_t{RecordedMaps::kReference} : 0u;
    default:
      return 0;
  }
}

void SettingsMessages::refuseUnrecorded(const uint32_t* ids, uint32_t count, uint32_t type, tStatus& status) const {
  if (recorded_ == nullptr) return;
  uint32_t touches = 0;
  for (uint32_t i = 0; i < count; ++i) touches |= touchesOf(type, ids[i]);
  recorded_->refuseUnrecorded(touches, status);
}

// The policy's committed value changes only once its coerced value really
// reached the hardware; a commit that was only recorded into a list leaves
// the policy stale.
void SettingsMessages::commit(uint32_t id, tStatus& status) {
  if (status.isFatal()) return;
  ReservationTokenSet& tokens = rf_.tokens();
  switch (id) {
    case kResourceRefClockPath0:
    case kResourceRefClockPath1: {
      RefClockPolicy& policy = tokens.refClockPolicy();
      policy.committedSettingsStale = 1;
      rf_.refClock().setRequested(policy.coercedSettings, status);
      const bool programmed = rf_.refClock().commit(pathOf(id), status);
      if (programmed) policy.markSettingsCommitted(status);
      return;
    }
    case kResourceCrossSwitch: {
      CrossSwitchPolicy& policy = tokens.crossSwitchPolicy();
      policy.committedSettingsStale = 1;
      rf_.crossSwitch().setRequested(policy.coercedSettings, status);
      rf_.crossSwitch().apply(status);
      policy.markSettingsCommitted(status);
      return;
    }
    case kResourceLo0Frequency:
    case kResourceLo1Frequency: {
      const uint32_t lo = id - kResourceLo0Frequency;
      commit_helper(rf_.frequency(lo), tokens.frequencyPolicy(lo), status);
      if (isRecorded(touchesOf(kMessageCommit, id))) tokens.frequencyPolicy(lo).committedSettingsStale = 1;
      return;
    }
    case kResourceLo0Power:
    case kResourceLo1Power: {
      const uint32_t lo = id - kResourceLo0Power;
      commit_helper(rf_.power(lo), tokens.powerPolicy(lo), status);
      if (isRecorded(touchesOf(kMessageCommit, id))) tokens.powerPolicy(lo).committedSettingsStale = 1;
      return;
    }
    default:
      refuseId(status);
  }
}

void SettingsMessages::applyPowerReductions(uint32_t id, tStatus& status) {
  if (status.isFatal()) return;
  if (id != kResourceLo0Power && id != kResourceLo1Power) {
    refuseId(status);
    return;
  }
  const uint32_t lo = id - kResourceLo0Power;
  PowerPolicy& policy = rf_.tokens().powerPolicy(lo);
  // Only part of the chosen value reaches the hardware: what is committed
  // is no longer known.
  policy.committedSettingsStale = 1;
  rf_.power(lo).setRequested(policy.coercedSettings, status);
  rf_.power(lo).applyPowerReductions(status);
}

void SettingsMessages::selectReferencePath(uint32_t id, tStatus& status) {
  if (status.isFatal()) return;
  if (!isValidId(id)) {
    refuseId(status);
    return;
  }
  if (id == kResourceRefClockPath0 || id == kResourceRefClockPath1)
    rf_.refClock().selectReferencePath(pathOf(id), status);
}

// Both paths share one reference clock, which is reset once per list. A
// reset moves the hardware away from what the policy last committed, so
// the policy goes stale before the primitive is touched: a client asking
// for the old value must commit it again.
void SettingsMessages::resetToDefaults(uint32_t id, bool& refClockReset, tStatus& status) {
  if (status.isFatal()) return;
  ReservationTokenSet& tokens = rf_.tokens();
  switch (id) {
    case kResourceRefClockPath0:
    case kResourceRefClockPath1:
      if (refClockReset) return;
      refClockReset = true;
      tokens.refClockPolicy().committedSettingsStale = 1;
      rf_.refClock().resetToDefaults(status);
      return;
    case kResourceCrossSwitch:
      tokens.crossSwitchPolicy().committedSettingsStale = 1;
      rf_.crossSwitch().resetToDefaults(status);
      return;
    case kResourceLo0Frequency:
    case kResourceLo1Frequency:
      tokens.frequencyPolicy(id - kResourceLo0Frequency).committedSettingsStale = 1;
      rf_.frequency(id - kResourceLo0Frequency).resetToDefaults(status);
      return;
    case kResourceLo0Power:
    case kResourceLo1Power:
      tokens.powerPolicy(id - kResourceLo0Power).committedSettingsStale = 1;
      rf_.power(id - kResourceLo0Power).resetToDefaults(status);
      return;
    default:
      refuseId(status);
  }
}

// The LO0 and LO1 waits of one list share one time budget, capped at the
// settling ceiling: the wait holds the device's request lock.
void SettingsMessages::waitForSettling(const uint32_t* ids, uint32_t count, const uint8_t* input, uint32_t inputSize,
                                       tStatus& status) {
  if (inputSize < 8) status.setCode(codes::kWarningReadPastEnd, VL_SITE);
  uint32_t timeoutMs = cbak::SettlingGate::capMs(readWord(input, inputSize, 0));
  const uint32_t selector = readWord(input, inputSize, 4);
  for (uint32_t i = 0; i < count && status.isNotFatal(); ++i) {
    const uint32_t id = ids[i];
    if (!isValidId(id)) {
      refuseId(status);
    } else if (id == kResourceLo0Frequency || id == kResourceLo1Frequency) {
      waitOnTimer(rf_.settlingHandler(id - kResourceLo0Frequency), selector, timeoutMs, status);
    }
  }
}

void SettingsMessages::queryLockStatus(const uint32_t* ids, uint32_t count, uint8_t* output, uint32_t outputCapacity,
                                       tStatus& status) {
  if (output == nullptr || outputCapacity == 0) {
    status.setCode(nVLAPALS100::kStatusInvalidParameter, VL_SITE_AT(sites::kDeviceResources, sites::kNoReplyAreaLine));
    return;
  }
  uint32_t flags = 0;
  RefClockLockReport report;
  for (uint32_t i = 0; i < count && status.isNotFatal(); ++i) {
    const uint32_t id = ids[i];
    if (!isValidId(id)) {
      refuseId(status);
    } else if (id == kResourceRefClockPath0 || id == kResourceRefClockPath1) {
      flags |= rf_.refClock().queryLockStatus(pathOf(id), report, status);
    }
  }
  writeLockQueryReply(flags, report, output, outputCapacity, status);
}

}  // namespace nVL9738K_24_0
