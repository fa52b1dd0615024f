// The Device's over-temperature shutdown and the claim it shares with the
// reset on the reset lock.
#include "Device.h"
#include "driver/board/status/DeviceStatusCodes.h"
#include "driver/platform/sync/Atomic.h"
#include "driver/platform/time/tTimeout.h"

namespace nVL9738K_24_0 {

namespace {

enum ResetClaim : uint32_t { kUnclaimed = 0, kShutdownClaim = 1, kResetClaim = 2 };
enum Record : uint32_t { kFpgaImageRecord, kPropertiesRecord, kPowerUpRecord, kLateRecord };

}  // namespace

// A shutdown that claimed first is between its claim and the lock and
// never waits for a drain: the reset steps aside until it is done.
void Device::acquireResetLock() {
  for (;;) {
    resetLock_.acquire();
    if (nVLAPAL000::atomicCompareExchange(resetClaim_, kUnclaimed, kResetClaim)) return;
    resetLock_.release();
    nVLAPAL000::sleepWholeMilliseconds(1);
  }
}

void Device::releaseResetLock() {
  nVLAPAL000::atomicStore(resetClaim_, kUnclaimed);
  resetLock_.release();
}

bool Device::requireBoardObjects(tStatus& status) const {
  if (status.isFatal()) return false;
  if (board_ != nullptr && resources_ != nullptr && resources_->isComplete()) return true;
  status.merge(records_[kFpgaImageRecord]);
  status.setCode(nVLAPALS100::kStatusNotSupported, VL_SITE);
  return false;
}

void Device::thermalShutdown(int32_t celsius, tStatus& status) {
  if (!requireBoardObjects(status)) return;
  auto& privateMap = resources_->getHostRegMap()->PrivateEndpoint.PrivateRegMap;
  if (celsius < capabilities_.temperatureLimit()) {
    privateMap.ThermalStatus.readRegister(status);
    if (!privateMap.ThermalStatus.getBit4()) return;
  }
  // A reset holding the claim waits for this request to drain, so this
  // shutdown powers off without the lock and leaves the gate to the reset,
  // whose bring-up follows anyway.
  const bool claimed = nVLAPAL000::atomicCompareExchange(resetClaim_, kUnclaimed, kShutdownClaim);
  if (claimed) {
    advanceGenerations();
    resetLock_.acquire();
    setGate(nVLAPAL000::kGateClosed);
    advanceGenerations();
  }
  records_[kPowerUpRecord].setCode(codes::kOverTemperatureShutdown, VL_SITE);
  records_[kLateRecord].merge(records_[kPowerUpRecord]);
  resources_->invalidateRegisterCaches();
  powerOff(status);
  if (claimed) releaseStaleSessions();
  // A board that started leaving meanwhile keeps the gate its removal closed.
  if (claimed && takesRequests()) setGate(nVLAPAL000::kGateOpen);
  status.setCode(codes::kOverTemperatureShutdown, VL_SITE);
  if (claimed) releaseResetLock();
}

// Every rail off and its supply parked, the reference card's last; the
// front LED shows the fault.
void Device::powerOff(tStatus& status) {
  auto& host = *resources_->getHostRegMap();
  auto& lo = host.BoardControl.LoCardPower;
  lo.setBit18(false, status).setBit14(false, status).setBit10(false, status).setBit6(false, status);
  lo.setBit2(false, status).setBits17_16(2, status).setBits13_12(2, status).setBits9_8(2, status);
  lo.setBits5_4(2, status).setBits1_0(2, status).flush(status, false);
  auto& ref = host.BoardControl.RefCardPower;
  ref.setBit14(false, status).setBit10(false, status).setBits9_8(0, status).setBit6(false, status);
  ref.setBits5_4(2, status).setBits1_0(2, status).flush(status, false);
  auto& power = host.PrivateEndpoint.PrivateRegMap.PowerSetup;
  power.setBit8(false, status).flush(status, false);
  power.setBit12(false, status).flush(status, false);
  host.PrivateEndpoint.PrivateRegMap.LedOverride.setBit4(true, status).setBits1_0(2, status).flush(status, false);
}

}  // namespace nVL9738K_24_0
