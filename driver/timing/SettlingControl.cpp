#include "SettlingControl.h"

#include "driver/platform/status/StatusSite.h"
#include "driver/platform/time/tTimeout.h"

namespace qrtifwprim {

namespace {

constexpr const char kSource[] = "SettlingControl";

// The announced read waits for bit 0 to read 1.
constexpr uint64_t kSettledMask = 1;
constexpr uint64_t kSettledValue = 1;
constexpr int32_t kSettledFlag = 1;

}  // namespace

SettlingControl::SettlingControl(tSettlingTimerMap* settlingTimer, tPllCounterMap* pllCounter, uint8_t initialControl,
                                 uint8_t subsystem, RegisterPoller::PollerStore* pollerStore, tStatus& status)
    : settlingTimer_(settlingTimer),
      pllCounter_(pllCounter),
      initialControl_(initialControl),
      subsystem_(subsystem),
      pollerStore_(pollerStore) {
  if (status.isFatal()) return;
  settlingTimer_->Restart.writeRegister(1, status);
  auto& control = settlingTimer_->Control;
  control.setMode(initialControl_, status);
  control.setEnable(false, status);
  control.setCode(0, status);
  control.setCodeValid(false, status);
  control.flush(status, false);
}

void SettlingControl::setTimerField(uint8_t value, tStatus& status) {
  if (status.isFatal()) return;
  settlingTimer_->Control.setCode(value, status).setCodeValid(true, status);
  settlingTimer_->Control.flush(status, false);
}

void SettlingControl::clearTimerField(tStatus& status) {
  if (status.isFatal()) return;
  settlingTimer_->Control.setCode(0, status).setCodeValid(false, status);
  settlingTimer_->Control.flush(status, false);
}

void SettlingControl::writeSettlingTime(uint32_t time, tStatus& status) {
  if (status.isFatal()) return;
  settlingTimer_->SettlingTime.writeRegister(time, status);
}

// A register outside the window reads all ones, so it counts as settled
// and leaves -52006 behind.
bool SettlingControl::isSettled(tStatus& status) {
  if (status.isFatal()) return true;
  bool settled = (settlingTimer_->IsSettled.readRegister(status) & 1) != 0;
  if (pllCountEnabled_ && status.isNotFatal())
    settled = settled && (pllCounter_->IsSettled.readRegister(status) & 1) != 0;
  return settled;
}

void SettlingControl::setEnable(bool enable, tStatus& status) {
  if (status.isFatal()) return;
  pllCountEnabled_ = enable;
  settlingTimer_->Control.setEnable(enable, status);
  settlingTimer_->Control.flush(status, false);
}

void SettlingControl::writePllCount(uint32_t count, tStatus& status) {
  if (status.isFatal()) return;
  pllCounter_->Count.writeRegister(count == 0 ? 1 : count, status);
}

listmodek::iListInstructionInserter* SettlingControl::inserter(tStatus& status) {
  RegisterPoller::PollerWithRedirection* poller = pollerStore_->getPoller(subsystem_, status);
  return poller == nullptr ? nullptr : poller->getInserter();
}

bool SettlingControl::isAvailable(tStatus& status) {
  if (status.isFatal() || pollerStore_ == nullptr) return false;
  return inserter(status) != nullptr && status.isNotFatal();
}

template <typename tRead>
void SettlingControl::recordWait(listmodek::iListInstructionInserter& inserter, uint32_t timeoutUs, tRead&& read,
                                 tStatus& status) {
  inserter.announceBitWaitRead(timeoutUs, kSettledMask, kSettledValue, kSettledFlag, 0, status);
  if (status.isNotFatal()) read(status);
  inserter.clearBitWaitRead();
}

void SettlingControl::waitUntilSettled(uint32_t timeoutUs, int32_t timeoutCode, const cbak::SettlingGate& gate,
                                       tStatus& status) {
  if (status.isFatal()) return;
  if (pollerStore_ == nullptr) {
    status.setCode(nVLAPALS100::kStatusNotSupported, VL_SITE_AT(kSource, __LINE__));
    return;
  }
  listmodek::iListInstructionInserter* first = inserter(status);
  if (status.isFatal()) return;
  if (first == nullptr) {
    status.setCode(nVLAPALS100::kStatusNotSupported, VL_SITE_AT(kSource, __LINE__));
    return;
  }
  recordWait(
      *first, timeoutUs, [this](tStatus& s) { settlingTimer_->IsSettled.readRegister(s); }, status);
  if (!pllCountEnabled_ || status.isFatal()) return;
  listmodek::iListInstructionInserter* second = inserter(status);
  if (status.isFatal()) return;
  if (second != nullptr) {
    recordWait(
        *second, timeoutUs, [this](tStatus& s) { pllCounter_->IsSettled.readRegister(s); }, status);
    return;
  }
  pollPllSettled(timeoutUs, timeoutCode, gate, status);
}

// The list went away in between: the PLL counter is asked directly. One
// read after the deadline still counts.
void SettlingControl::pollPllSettled(uint32_t timeoutUs, int32_t timeoutCode, const cbak::SettlingGate& gate,
                                     tStatus& status) {
  using tTimebase = nVLAPAL000::tTimebasePrecise;
  const uint64_t budget = nVLAPAL000::convertTime(cbak::SettlingGate::capUs(timeoutUs),
                                                  nVLAPAL000::kTimeUnitMicroseconds, tTimebase::kUnit);
  const uint64_t period = nVLAPAL000::convertTime(kPollPeriodUs, nVLAPAL000::kTimeUnitMicroseconds, tTimebase::kUnit);
  const uint64_t start = tTimebase::getTime();
  for (;;) {
    const bool expired = tTimebase::getTime() - start >= budget;
    const bool settled = (pllCounter_->IsSettled.readRegister(status) & 1) != 0;
    if (status.isFatal() || settled || gate.closed(status)) return;
    if (expired) {
      status.setCode(timeoutCode, VL_SITE_AT("RegisterPoller", __LINE__));
      return;
    }
    nVLAPAL000::tTimeWasterSpin::pause<tTimebase>(period);
  }
}

void SettlingControl::markDirty(tStatus& status) {
  if (status.isFatal()) return;
  settlingTimer_->Control.dirty = 1;
}

bool SettlingControl::handlesWaits() {
  tStatus local;
  return isAvailable(local);
}

void SettlingControl::takeOverWait(uint32_t timeoutUs, int64_t failureCode, const cbak::SettlingGate& gate,
                                   tStatus& status) {
  waitUntilSettled(timeoutUs, static_cast<int32_t>(failureCode), gate, status);
}

}  // namespace qrtifwprim
