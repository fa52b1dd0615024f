#include "PowerUpSequence.h"

#include "RfResources.h"
#include "driver/board/status/DeviceStatusCodes.h"
#include "driver/board/version/VersionUtils.h"
#include "driver/platform/poller/Poller.h"

namespace nVL9738K_24_0 {

namespace {

using tPoller = atut::PreciseSleepingPoller;

void sleepMs(uint32_t milliseconds, nVLAPALS100::tStatus& status) {
  if (status.isNotFatal()) nVLAPAL000::sleepWholeMilliseconds(milliseconds);
}

}  // namespace

void PowerUpSequence::run(tStatus& status) {
  if (status.isFatal()) return;
  if (rf_ != nullptr) rf_->onPowerUp();
  powerReferenceCard(status);
  bringUpLink(host_.RefCpldConfig.EndpointRegMap, CompositeMaps::kRef, status);
  if (rf_ != nullptr && status.isNotFatal()) rf_->refClock().initializeHardware(status);
  powerLoCards(status);
  bringUpLink(host_.Lo0CpldConfig.EndpointRegMap, CompositeMaps::kLo0, status);
  bringUpLink(host_.Lo1CpldConfig.EndpointRegMap, CompositeMaps::kLo1, status);
  applyLoDefaults(status);
  if (status.isFatal()) return;
  auto& privateMap = host_.PrivateEndpoint.PrivateRegMap;
  privateMap.ThermalSetup.setBit0(true, status).flush(status, false);
  privateMap.LedOverride.setBit4(false, status).flush(status, false);
  checkCpldVersions(status);
}

// The sensor is set up, then each LO path's DAC and power and the cross
// switch take their defaults.
void PowerUpSequence::applyLoDefaults(tStatus& status) {
  if (rf_ == nullptr || status.isFatal()) return;
  rf_->temperature().flush(status);
  rf_->frequency(0).applyDefaults(status);
  rf_->frequency(1).applyDefaults(status);
  rf_->crossSwitch().applyDefaults(status);
  rf_->power(0).applyDefaults(status);
  rf_->power(1).applyDefaults(status);
}

// The reference card's subsystems are enabled and its supplies brought up
// in stages, each given time to settle before the next.
void PowerUpSequence::powerReferenceCard(tStatus& status) {
  auto& control = host_.BoardControl;
  control.DisableRefCardSS.setBit0(true, status).setBit1(true, status).flush(status, false);
  control.RefCardPower.setBits9_8(0, status).setBits5_4(2, status).setBits1_0(2, status).flush(status, false);
  auto& power = host_.PrivateEndpoint.PrivateRegMap.PowerSetup;
  power.setBit12(true, status).flush(status, false);
  power.setBit8(true, status).flush(status, false);
  control.RefCardPower.setBit10(true, status).setBit6(true, status).flush(status, false);
  sleepMs(kRefPowerSettleMs, status);
  control.RefCardPower.setBit14(true, status).flush(status, false);
  sleepMs(kRefSupplySettleMs, status);
}

// All five LO rails are enabled in one write; the card reports each rail
// and both supplies good once they are up.
void PowerUpSequence::powerLoCards(tStatus& status) {
  if (status.isFatal()) return;
  auto& power = host_.BoardControl.LoCardPower;
  power.setBit18(true, status).setBit14(true, status).setBit10(true, status).setBit6(true, status);
  power.setBit2(true, status).setBits17_16(2, status).setBits13_12(2, status).setBits9_8(2, status);
  power.setBits5_4(2, status).setBits1_0(2, status).flush(status, false);
  auto& good = host_.BoardControl.LoCardPowerStatus;
  tPoller(kLoPowerFirstIntervalUs, kLoPowerMaxIntervalUs, codes::kBoardVerificationFailed)
      .poll(
          good, [](auto& record, tStatus& readStatus) { return record.readRegister(readStatus); }, kLoPowerGood,
          kLoPowerGood, kLoPowerTimeoutUs, true, tPoller::kConditionAllMaskBitsSet, status);
}

// The endpoint opens the link with its auxiliary lines, the CPLD completes
// it on its strobe, and the lines are dropped once the link reports up.
void PowerUpSequence::bringUpLink(nEndpointRegMap::tEndpointRegMap& endpoint, CompositeMaps::Cpld cpld,
                                  tStatus& status) {
  if (status.isFatal()) return;
  CompositeMaps::tAuxMap* aux = composites_.auxInterface(cpld);
  if (aux == nullptr) {
    status.setCode(nVLAPALS100::kStatusNotAccessible, VL_SITE);
    return;
  }
  endpoint.AuxSetupReg.setBit8(true, status).setBit2(true, status).setBit0(true, status).flush(status, false);
  sleepMs(kLinkSetupMs, status);
  aux->SlaveSetup.setBit0(true, status).flush(status, false);
  tPoller(kLinkFirstIntervalUs, kLinkMaxIntervalUs, codes::kBoardVerificationFailed)
      .poll(
          endpoint.AuxStatusReg, [](auto& record, tStatus& readStatus) { return record.readRegister(readStatus); },
          kLinkUp, kLinkUp, kLinkTimeoutUs, true, tPoller::kConditionAllMaskBitsSet, status);
  endpoint.AuxSetupReg.setBit8(false, status).setBit2(false, status).flush(status, false);
}

// Only a failure reaches the caller: a warning of the check stays here.
void PowerUpSequence::checkCpldVersions(tStatus& status) {
  if (status.isFatal()) return;
  tStatus local;
  checkCpldVersion(CompositeMaps::kLo0, kLo0Supported, local);
  checkCpldVersion(CompositeMaps::kRef, kRefSupported, local);
  if (local.isFatal()) status.merge(local);
}

void PowerUpSequence::checkCpldVersion(CompositeMaps::Cpld cpld, const uint32_t (&supported)[2], tStatus& status) {
  if (status.isFatal()) return;
  CompositeMaps::tAuxMap* aux = composites_.auxInterface(cpld);
  if (aux == nullptr) {
    status.setCode(nVLAPALS100::kStatusNotAccessible, VL_SITE);
    return;
  }
  const uint32_t newest = aux->SlaveRevision.readRegister(status);
  const uint32_t oldest = aux->SlaveReadWord.readRegister(status);
  if (status.isFatal()) return;
  checkVersionRange(oldest, newest, supported[0], supported[1], false, status);
}

}  // namespace nVL9738K_24_0
