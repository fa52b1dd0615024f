#include "GenDataPathControl.h"

#include "DataPathSteps.h"
#include "driver/platform/status/StatusCodes.h"
#include "driver/platform/status/StatusSite.h"

namespace qrtifwprim {

namespace {

using nVLAPALS100::tStatus;

constexpr uint64_t kCoarseMask = 0xFFFF00;
constexpr uint64_t kFineMask = 0xFF;

const char* engineName(uint8_t instance, tStatus& status) {
  switch (instance) {
    case 0:
      return "Generation Engine";
    case 1:
      return "Generation Engine:1";
  }
  if (status.isNotFatal()) status.setCode(nVLAPALS100::kStatusBadSelector, VL_SITE);
  return nullptr;
}

}  // namespace

GenDataPathControl::GenDataPathControl(tMap* map, vlifw::InstructionTargetMXRM* target, uint32_t subsystem,
                                       uint8_t instance, RegisterPoller::PollerStore* pollers,
                                       StatusRegisterCheck::StatusRegisterCheckPoolStore* pools, tManager* manager,
                                       tStatus& status)
    : map_(map),
      target_(target),
      subsystem_(subsystem),
      pollers_(pollers),
      check_(static_cast<uint8_t>(subsystem), pools),
      shared_(map),
      activity_(engineName(instance, status), this, manager, status) {
  maximumCoarseStep_ = static_cast<uint16_t>(map_->Register38.readRegister(status));
  map_->Register71.refresh(status);
}

void GenDataPathControl::executeCommands(const uint32_t* commands, uint32_t count, tStatus& status) {
  for (uint32_t i = 0; i < count && status.isNotFatal(); ++i) runCommand(commands[i], status);
}

void GenDataPathControl::runCommand(uint32_t command, tStatus& status) {
  const uint8_t subsystem = static_cast<uint8_t>(subsystem_);
  switch (command) {
    case 1:
      datapath::postedPulse(target_, map_->WritableLowerBit32, {false, true}, status);
      return;
    case 2:
      map_->WritableLowerBit32.writeBit0(false, status, false);
      return;
    case 3:
      datapath::waitForBit(pollers_, subsystem, map_->ReadableLowerBit33, status);
      return;
    case 4:
      clearDSPStatus(true, false, false, status);
      return;
    case 5:
      return;
    case 6:
      if (status.isFatal()) return;
      savedDelay_ = map_->DSPDynamicDelay.getValue();
      delaySaved_ = true;
      programDynamicDelay(0, status);
      datapath::postedPulse(target_, map_->WritableLowerBit48, {false, true, false}, status);
      return;
    case 7:
      datapath::waitForBit(pollers_, subsystem, map_->ReadableLowerBit49, status);
      if (status.isFatal() || !delaySaved_) return;
      shadowed::writeValue(map_->DSPDynamicDelay, savedDelay_, status);
      delaySaved_ = false;
      return;
  }
  status.setCode(nVLAPALS100::kStatusInvalidParameter, VL_SITE);
}

void GenDataPathControl::checkStatus(datapathki::DataPathStatus& out, tStatus& status) {
  StatusRegisterCheck::StatusRegisterCheckWithRedirection* check = check_.get(status);
  if (check == nullptr) return;
  auto& reg = map_->ReadableLowerBit34;
  const StatusRegisterCheck::CheckOutcome outcome = StatusRegisterCheck::evaluateCheck(
      *check, 1, false, reg.getValue(), [&](tStatus& s) { return reg.readRegister(s); }, status);
  out = {outcome.problem(), outcome.failedInList, outcome.info0, outcome.info1};
}

void GenDataPathControl::clearDSPStatus(bool first, bool, bool, tStatus& status) {
  if (first) datapath::pulse(map_->WritableLowerBit35, {true, false}, status);
}

bool GenDataPathControl::isIdle(tStatus& status) { return map_->ReadableLowerBit70.readBit0(status); }

uint32_t GenDataPathControl::readDSPPipelineDelay(tStatus& status) {
  const uint64_t base = map_->Register36.readRegister(status) & 0xFFFFFFFF;
  const uint64_t stages = map_->Register42.readRegister(status);
  return static_cast<uint32_t>(base + (stages & 0xFFFF) + ((stages >> 16) & 0xFFFF));
}

int32_t GenDataPathControl::maximumDynamicDelay() const {
  return (static_cast<int32_t>(maximumCoarseStep_) + 1) * fineStepsPerCoarseStep_ - 1;
}

void GenDataPathControl::getDynamicDelayRange(int32_t& minimum, int32_t& maximum, tStatus& status) {
  if (status.isFatal()) return;
  minimum = 0;
  maximum = maximumDynamicDelay();
}

void GenDataPathControl::programDynamicDelay(int32_t value, tStatus& status) {
  if (status.isFatal()) return;
  const int32_t maximum = maximumDynamicDelay();
  const uint64_t clamped = static_cast<uint64_t>(value < 0 ? 0 : (value > maximum ? maximum : value));
  const uint64_t coarse = clamped / fineStepsPerCoarseStep_;
  const uint64_t fine = clamped % fineStepsPerCoarseStep_;
  const uint64_t shadow = map_->DSPDynamicDelay.getValue() & ~(kCoarseMask | kFineMask);
  shadowed::writeValue(map_->DSPDynamicDelay, shadow | (coarse << 8) | fine, status);
}

void GenDataPathControl::programDSPBypass(bool value, tStatus& status) {
  map_->WritableLowerBit40.writeBit0(value, status, false);
}

void GenDataPathControl::getDSPGroupDelayFxpConfig(tConfig& out, tStatus& status) {
  if (status.isNotFatal()) out = groupDelayConfig_;
}

GenDataPathControl::tNumber GenDataPathControl::readFixedDelay0(tStatus& status) {
  if (status.isFatal()) return {};
  return tNumber{map_->Register71.getValue() & 0xFFFF, fixedDelayConfig_};
}

GenDataPathControl::tNumber GenDataPathControl::readFixedDelay1(tStatus& status) {
  if (status.isFatal()) return {};
  return tNumber{(map_->Register71.getValue() >> 32) & 0xFFFF, fixedDelayConfig_};
}

void GenDataPathControl::unsupportedOperation(tStatus& status) {
  if (status.isNotFatal()) status.setCode(nVLAPALS100::kStatusNotSupported, VL_SITE);
}

void GenDataPathControl::markDirty(tStatus& status) {
  if (status.isFatal()) return;
  shadowed::markDirty(map_->DSPDynamicDelay, map_->WritableLowerBit40, map_->WritableLowerBit41,
                      map_->WritableLowerBit44, map_->AnalogFrontEndDelay, map_->MarkerOffset);
}

void GenDataPathControl::programEqBypass(bool value, tStatus& status) {
  map_->WritableLowerBit41.writeBit0(value, status, false);
}

void GenDataPathControl::getMarkerOffsetFxpConfig(tConfig& out, tStatus& status) {
  if (status.isNotFatal()) out = markerOffsetConfig_;
}

// The engine takes a new offset only on its event strobe, which clears
// itself once written.
void GenDataPathControl::programMarkerOffset(const tNumber& offset, tStatus& status) {
  if (!datapath::configurationMatches(offset, markerOffsetConfig_, status)) return;
  const tNumber previous{map_->MarkerOffset.getValue(), markerOffsetConfig_};
  shadowed::writeValue(map_->MarkerOffset, offset.raw & 0xFFFFFFFF, status);
  if (status.isFatal() || previous.raw == (offset.raw & 0xFFFFFFFF)) return;
  map_->EventControl.writeBit0(true, status, false);
}

void GenDataPathControl::getPostRouteEventDelayFxpConfig(tConfig& out, tStatus& status) {
  if (status.isNotFatal()) out = postRouteEventDelayConfig_;
}

void GenDataPathControl::programPostRouteEventDelay(const tNumber& delay, tStatus& status) {
  if (!datapath::configurationMatches(delay, postRouteEventDelayConfig_, status)) return;
  shadowed::writeValue(map_->PostRouteEventDelay, delay.raw & 0xFFFFFFFF, status);
}

void GenDataPathControl::forceIdleVectorIntoSignalPath(tStatus& status) {
  datapath::pulse(map_->WritableLowerBit44, {false, true, false}, status);
}

void GenDataPathControl::programTxBufferPathDelay(uint64_t delay, tStatus& status) {
  shadowed::writeValue(map_->TxBufferPathDelay, delay, status);
}

}  // namespace qrtifwprim
