#include "AcqDataPathControl.h"

#include "DataPathSteps.h"

namespace qrtifwprim {

namespace {

using nVLAPALS100::tStatus;

// Timestamps finer than this class fit the first precision class.
constexpr uint32_t kFinePrecisionLimit = 3;
constexpr uint64_t kStatusMask = 0x7;

const char* engineName(uint8_t instance, tStatus& status) {
  switch (instance) {
    case 0:
      return "Acquisition Engine";
    case 1:
      return "Acquisition Engine:1";
  }
  if (status.isNotFatal()) status.setCode(nVLAPALS100::kStatusBadSelector, VL_SITE);
  return nullptr;
}

}  // namespace

AcqDataPathControl::AcqDataPathControl(tMap* map, vlifw::InstructionTargetMXRM* target, uint32_t subsystem,
                                       uint8_t instance, uint16_t version, RegisterPoller::PollerStore* pollers,
                                       StatusRegisterCheck::StatusRegisterCheckPoolStore* pools, tManager* manager,
                                       tStatus& status)
    : map_(map),
      target_(target),
      subsystem_(subsystem),
      version_(version),
      pollers_(pollers),
      checks_{{static_cast<uint8_t>(subsystem), pools},
              {static_cast<uint8_t>(subsystem), pools},
              {static_cast<uint8_t>(subsystem), pools}},
      shared_(map),
      activity_(engineName(instance, status), this, manager, status) {
  maximumCoarseStep_ = static_cast<uint16_t>(map_->Register41.readRegister(status));
  map_->PFI0FpgaDelay.refresh(status);
}

void AcqDataPathControl::executeCommands(const uint32_t* commands, uint32_t count, tStatus& status) {
  for (uint32_t i = 0; i < count && status.isNotFatal(); ++i) runCommand(commands[i], status);
}

void AcqDataPathControl::runCommand(uint32_t command, tStatus& status) {
  const uint8_t subsystem = static_cast<uint8_t>(subsystem_);
  switch (command) {
    case 1:
      datapath::postedPulse(target_, map_->WritableLowerBit64, {false, true}, status);
      return;
    case 2:
      map_->WritableLowerBit64.writeBit0(false, status, false);
      return;
    case 3:
      datapath::waitForBit(pollers_, subsystem, map_->ReadableLowerBit71, status);
      return;
    case 4:
      clearDSPStatus(true, true, true, status);
      return;
    case 5:
      datapath::pulse(map_->WritableLowerBit67, {false, true, false}, status);
      return;
    case 6:
      datapath::postedPulse(target_, map_->WritableLowerBit48, {false, true, false}, status);
      return;
    case 7:
      datapath::waitForBit(pollers_, subsystem, map_->ReadableLowerBit49, status);
      return;
    case 8:
      datapath::pulse(map_->WritableLowerBit65, {false, true, false}, status);
      return;
    case 9:
      return;
  }
  status.setCode(nVLAPALS100::kStatusInvalidParameter, VL_SITE);
}

// Each bit has its own check, so a list reports which of them failed.
void AcqDataPathControl::checkStatus(datapathki::DataPathStatus& out, tStatus& status) {
  datapathki::DataPathStatus found;
  auto& reg = map_->AcquisitionDSPStatus72;
  for (uint32_t bit = 0; bit < kStatusBits && status.isNotFatal(); ++bit) {
    StatusRegisterCheck::StatusRegisterCheckWithRedirection* check = checks_[bit].get(status);
    if (check == nullptr) return;
    const StatusRegisterCheck::CheckOutcome outcome = StatusRegisterCheck::evaluateCheck(
        *check, 1ull << bit, false, reg.getValue(), [&](tStatus& s) { return reg.readRegister(s); }, status);
    found.problem = found.problem || outcome.problem();
    found.failed = found.failed || outcome.failedInList;
    found.info0 = outcome.info0;
    found.info1 = outcome.info1;
  }
  if (status.isNotFatal()) out = found;
}

void AcqDataPathControl::clearDSPStatus(bool first, bool second, bool third, tStatus& status) {
  if (!first && !second && !third) return;
  auto& reg = map_->AcquisitionDSPStatus66;
  const uint64_t flags = (first ? 1u : 0u) | (second ? 2u : 0u) | (third ? 4u : 0u);
  shadowed::writeValue(reg, (reg.getValue() & ~kStatusMask) | flags, status);
  shadowed::writeValue(reg, reg.getValue() & ~kStatusMask, status);
}

bool AcqDataPathControl::isIdle(tStatus& status) { return map_->ReadableLowerBit37.readBit0(status); }

void AcqDataPathControl::unsupported(tStatus& status) {
  if (status.isNotFatal()) status.setCode(nVLAPALS100::kStatusNotSupported, VL_SITE);
}

void AcqDataPathControl::programDSPBypass(bool, tStatus& status) {
  if (status.isNotFatal()) status.setCode(nVLAPALS100::kStatusInvalidParameter, VL_SITE);
}

void AcqDataPathControl::getDSPGroupDelayFxpConfig(tConfig& out, tStatus& status) {
  if (status.isNotFatal()) out = groupDelayConfig_;
}

AcqDataPathControl::tNumber AcqDataPathControl::readFixedDelay0(tStatus& status) {
  if (status.isFatal()) return {};
  return tNumber{(map_->PFI0FpgaDelay.getValue() >> 16) & 0xFFFF, fixedDelayConfig_};
}

AcqDataPathControl::tNumber AcqDataPathControl::readFixedDelay1(tStatus& status) {
  if (status.isFatal()) return {};
  return tNumber{(map_->PFI0FpgaDelay.getValue() >> 48) & 0xFFFF, fixedDelayConfig_};
}

void AcqDataPathControl::getPreRouteTriggerDelayFxpConfig(tConfig& out, tStatus& status) {
  if (status.isNotFatal()) out = preRouteTriggerDelayConfig_;
}

void AcqDataPathControl::getTriggerOffsetFxpConfig(tConfig& out, tStatus& status) {
  if (status.isNotFatal()) out = triggerOffsetConfig_;
}

void AcqDataPathControl::getTimestampTraits(uint32_t& precisionClass, tConfig& out, tStatus& status) {
  if (status.isFatal()) return;
  precisionClass = timestampPrecision_ < kFinePrecisionLimit ? 1 : 2;
  out = timestampConfig_;
}

AcqDataPathControl::tNumber AcqDataPathControl::getPostRouteToTimestampDelay(tStatus& status) {
  if (status.isFatal()) return {};
  return tNumber{map_->Register41.getValue() & 0xFFFF, postRouteToTimestampConfig_};
}

template <typename tRegister>
void AcqDataPathControl::programChecked(tRegister& reg, const tNumber& number, const tConfig& config, tStatus& status) {
  if (!datapath::configurationMatches(number, config, status)) return;
  shadowed::writeValue(reg, number.raw & 0xFFFFFFFF, status);
}

void AcqDataPathControl::programPreRouteTriggerDelay(const tNumber& delay, tStatus& status) {
  programChecked(map_->PreRouteTriggerDelay, delay, preRouteTriggerDelayConfig_, status);
}

void AcqDataPathControl::programStartTriggerOffset(const tNumber& offset, tStatus& status) {
  programChecked(map_->StartTriggerOffset, offset, triggerOffsetConfig_, status);
}

void AcqDataPathControl::programReferenceTriggerOffset(const tNumber& offset, tStatus& status) {
  programChecked(map_->ReferenceTriggerOffset, offset, triggerOffsetConfig_, status);
}

void AcqDataPathControl::programAdvanceTriggerOffset(const tNumber& offset, tStatus& status) {
  programChecked(map_->AdvanceTriggerOffset, offset, triggerOffsetConfig_, status);
}

void AcqDataPathControl::programAsyncReferenceTimestampOffset(const tNumber& offset, tStatus& status) {
  programChecked(map_->AsyncReferenceTimestampOffset, offset, triggerOffsetConfig_, status);
}

void AcqDataPathControl::programTimestampPrecision(uint32_t precision, tStatus& status) {
  shadowed::writeValue(map_->WritableLowerBit50, precision, status);
  if (status.isNotFatal()) timestampPrecision_ = precision;
}

void AcqDataPathControl::programReportAyncReferenceTimestamp(bool value, tStatus& status) {
  map_->WritableLowerBit39.writeBit0(value, status, false);
}

void AcqDataPathControl::programRxBufferPathDelay(uint64_t delay, tStatus& status) {
  shadowed::writeValue(map_->RxBufferPathDelay, delay, status);
}

}  // namespace qrtifwprim
