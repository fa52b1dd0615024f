#include "AcqTriggerControl.h"

#include "ShadowedRegisterWrites.h"
#include "driver/platform/status/StatusCodes.h"
#include "driver/platform/status/StatusSite.h"

namespace qrtifwprim {

namespace {

using tMap = AcqTriggerControl::tMap;
using tSharedMap = AcqTriggerControl::tSharedMap;
using tPulseReg = shadowed::tPulseWidthRegister;
namespace regs = nQRTAcquisitionRegisters::nQRTAcquisitionRegisters;

// Trigger -5 detects only these two kinds.
constexpr uint32_t kLastTriggerKinds[] = {0, 2};
// Holdoff counters exist from this block version on; their modes are 0-2.
constexpr uint16_t kFirstVersionWithHoldoffCounters = 3;
constexpr uint8_t kHoldoffCounterModes = 3;
// What the shared block's register 20 holds while the control exists.
constexpr uint32_t kSharedLowWord = 8;

// By trigger: -1, -2, -3, -4, -5.
tMap::tAcqTriggerControlRegType tMap::*const kTriggerRegisters[] = {
    &tMap::AcqTriggerControl16,  &tMap::AcqTriggerControl18,  &tMap::AcqTriggerControl17,
    &tMap::AcqTriggerControl128, &tMap::AcqTriggerControl129,
};
constexpr uint32_t kSoftwareTriggerBits[] = {0, 2, 1, 3, 4};

const shadowed::tPulseWidthSlot<tMap> kPulseWidths[] = {
    {-1, [](tMap& m) -> tPulseReg& { return m.StartReadyMinExportPulseWidth; }, false},
    {-2, [](tMap& m) -> tPulseReg& { return m.ReferenceReadyMinExportPulseWidth; }, false},
    {-3, [](tMap& m) -> tPulseReg& { return m.AdvanceReadyMinExportPulseWidth; }, false},
    {-4, [](tMap& m) -> tPulseReg& { return m.ClstCseMinExportPulseWidth; }, false},
    {-101, [](tMap& m) -> tPulseReg& { return m.StartReadyMinExportPulseWidth; }, true},
    {-102, [](tMap& m) -> tPulseReg& { return m.AdvanceReadyMinExportPulseWidth; }, true},
    {-103, [](tMap& m) -> tPulseReg& { return m.ReferenceReadyMinExportPulseWidth; }, true},
    {-104, [](tMap& m) -> tPulseReg& { return m.EndOfRecordDoneMinExportPulseWidth; }, false},
    {-105, [](tMap& m) -> tPulseReg& { return m.EndOfRecordDoneMinExportPulseWidth; }, true},
    {-106, [](tMap& m) -> tPulseReg& { return m.ClstCseMinExportPulseWidth; }, true},
    {-107, [](tMap& m) -> tPulseReg& { return m.TimerStartTimerEventMinExportPulseWidth; }, false},
};

const shadowed::tPulseWidthSlot<tSharedMap> kSharedPulseWidths[] = {
    {-110, [](tSharedMap& m) -> tPulseReg& { return m.PulseWidth16; }, false},
    {-111, [](tSharedMap& m) -> tPulseReg& { return m.PulseWidth16; }, true},
    {-112, [](tSharedMap& m) -> tPulseReg& { return m.PulseWidth17; }, false},
    {-113, [](tSharedMap& m) -> tPulseReg& { return m.PulseWidth17; }, true},
    {-114, [](tSharedMap& m) -> tPulseReg& { return m.PulseWidth18; }, false},
    {-115, [](tSharedMap& m) -> tPulseReg& { return m.PulseWidth18; }, true},
    {-116, [](tSharedMap& m) -> tPulseReg& { return m.PulseWidth19; }, false},
    {-117, [](tSharedMap& m) -> tPulseReg& { return m.PulseWidth19; }, true},
};

constexpr int32_t kTriggerCount = sizeof(kSoftwareTriggerBits) / sizeof(kSoftwareTriggerBits[0]);

// Index of a trigger in the tables above, -1 for none.
int32_t triggerIndex(int32_t triggerId) { return triggerId <= -1 && triggerId >= -kTriggerCount ? -triggerId - 1 : -1; }

}  // namespace

// Register 69 holds one disable bit per trigger that can be switched:
// bit 0 trigger -1, bit 1 trigger -3, bit 2 trigger -2.
AcqTriggerControl::AcqTriggerControl(tMap* map, tSharedMap* shared, uint16_t engineVersion, tStatus& status)
    : map_(map), shared_(shared), pulseWidthConfiguration_{0, 32, 16}, engineVersion_(engineVersion) {
  if (status.isFatal()) return;
  map_->DSPBypassAdditionalGroupDelay.setBit0(false, status)
      .setBit1(true, status)
      .setBit2(true, status)
      .flush(status, false);
  if (shared_ == nullptr) return;
  shared_->LowWord.writeLow(kSharedLowWord, status, false);
}

void AcqTriggerControl::refuse(tStatus& status, uint64_t line) {
  status.setCode(nVLAPALS100::kStatusInvalidParameter, VL_SITE_AT(__FILE__, line));
}

tMap::tAcqTriggerControlRegType* AcqTriggerControl::triggerRegister(int32_t triggerId) const {
  const int32_t index = triggerIndex(triggerId);
  return index < 0 ? nullptr : &(map_->*kTriggerRegisters[index]);
}

void AcqTriggerControl::configureTrigger(int32_t triggerId, const trigki::TriggerConfiguration& configuration,
                                         tStatus& status) {
  if (status.isFatal()) return;
  tMap::tAcqTriggerControlRegType* reg = triggerRegister(triggerId);
  if (reg == nullptr) return refuse(status, __LINE__);
  if (triggerId == -kTriggerCount && configuration.kind != kLastTriggerKinds[0] &&
      configuration.kind != kLastTriggerKinds[1]) {
    return refuse(status, __LINE__);
  }
  reg->setType(regs::TriggerType(configuration.kind & 0xFF), status)
      .setEdge(regs::TriggerEdge(configuration.edge & 1), status)
      .setLevel(regs::TriggerLevel(configuration.level & 1), status)
      .setMinImportPulseDuration(configuration.minImportPulseDuration, status)
      .flush(status, false);
}

void AcqTriggerControl::getPulseWidthConfiguration(vlfxptype::Configuration& out, tStatus& status) {
  if (status.isFatal()) return;
  out = pulseWidthConfiguration_;
}

// The shared block's widths go nowhere when the control has no shared block.
void AcqTriggerControl::setMinExportPulseWidth(int32_t id, const vlfxptype::Number& width, tStatus& status) {
  if (status.isFatal()) return;
  const uint32_t value = static_cast<uint32_t>(width.raw);
  if (const auto* slot = shadowed::findSlot(kPulseWidths, id)) {
    return shadowed::writeHalf(slot->reach(*map_), slot->high, value, status);
  }
  if (const auto* slot = shadowed::findSlot(kSharedPulseWidths, id)) {
    if (shared_ != nullptr) shadowed::writeHalf(slot->reach(*shared_), slot->high, value, status);
    return;
  }
  refuse(status, __LINE__);
}

void AcqTriggerControl::setOptionBit(bool value, tStatus& status) {
  map_->WritableLowerBit130.writeBit0(value, status, false);
}

void AcqTriggerControl::setTriggerDelay(int32_t triggerId, uint64_t delay, tStatus& status) {
  if (status.isFatal()) return;
  if (triggerId != -2) return refuse(status, __LINE__);
  map_->RefTriggerDelay.writeWord(delay, status, false);
}

void AcqTriggerControl::setTriggerHoldoffs(uint64_t startToRef, uint64_t refToRef, tStatus& status) {
  map_->StartToRefHoldoff.writeWord(startToRef, status, false);
  map_->RefToRefHoldoff.writeWord(refToRef, status, false);
}

void AcqTriggerControl::getHoldoffCounterSupport(uint32_t& out, tStatus& status) {
  if (status.isFatal()) return;
  out = engineVersion_ < kFirstVersionWithHoldoffCounters ? 1 : 2;
}

void AcqTriggerControl::setTriggerHoldoffSettings(const trigki::TriggerHoldoffSettings& settings, tStatus& status) {
  setTriggerHoldoffs(settings.startToRefHoldoff, settings.refToRefHoldoff, status);
  if (status.isFatal() || engineVersion_ < kFirstVersionWithHoldoffCounters) return;
  if (settings.startToRefCounterMode >= kHoldoffCounterModes || settings.refToRefCounterMode >= kHoldoffCounterModes) {
    return refuse(status, __LINE__);
  }
  map_->TriggerHoldoffCounterSettings.setStartToRefCounterMode(settings.startToRefCounterMode, status)
      .setRefToRefCounterMode(settings.refToRefCounterMode, status)
      .flush(status, false);
}

void AcqTriggerControl::setTriggerEnabled(int32_t triggerId, bool enabled, tStatus& status) {
  if (status.isFatal()) return;
  auto& reg = map_->DSPBypassAdditionalGroupDelay;
  switch (triggerId) {
    case -1:
      reg.writeBit0(!enabled, status, false);
      return;
    case -3:
      reg.writeBit1(!enabled, status, false);
      return;
    case -2:
      reg.writeBit2(!enabled, status, false);
      return;
    default:
      refuse(status, __LINE__);
  }
}

void AcqTriggerControl::setTriggerFlag(int32_t triggerId, bool value, tStatus& status) {
  if (status.isFatal()) return;
  if (triggerId != -2) return refuse(status, __LINE__);
  map_->WritableLowerBit27.writeBit0(value, status, false);
}

// The software-trigger bits are strobes: the register's flush drops them
// from the shadow once written, so every call writes again.
void AcqTriggerControl::sendSoftwareTrigger(int32_t triggerId, tStatus& status) {
  if (status.isFatal()) return;
  const int32_t index = triggerIndex(triggerId);
  if (index < 0) return refuse(status, __LINE__);
  auto& reg = map_->SendSoftwareTrigger;
  shadowed::writeValue(reg, reg.getValue() | (uint64_t{1} << kSoftwareTriggerBits[index]), status);
}

void AcqTriggerControl::markRegistersDirty(tStatus& status) {
  if (status.isFatal()) return;
  tMap& m = *map_;
  shadowed::markDirty(m.AcqTriggerControl16, m.AcqTriggerControl17, m.AcqTriggerControl18, m.StartToRefHoldoff,
                      m.RefToRefHoldoff, m.StartReadyMinExportPulseWidth, m.AdvanceReadyMinExportPulseWidth,
                      m.ReferenceReadyMinExportPulseWidth, m.EndOfRecordDoneMinExportPulseWidth, m.WritableLowerBit27,
                      m.RefTriggerDelay, m.TriggerHoldoffCounterSettings, m.DSPBypassAdditionalGroupDelay,
                      m.AcqTriggerControl128, m.AcqTriggerControl129, m.WritableLowerBit130,
                      m.ClstCseMinExportPulseWidth, m.TimerStartTimerEventMinExportPulseWidth);
}

// The generation engine's operations.

void AcqTriggerControl::setMarkerOutputBehavior(int32_t, const trigki::MarkerOutputBehavior&, tStatus& status) {
  if (!status.isFatal()) refuse(status, __LINE__);
}

void AcqTriggerControl::setRFBlankingMarkerMask(uint8_t, tStatus& status) {
  if (!status.isFatal()) refuse(status, __LINE__);
}

void AcqTriggerControl::getRFBlankingMarkerOffset0Configuration(vlfxptype::Configuration&, tStatus& status) {
  if (!status.isFatal()) refuse(status, __LINE__);
}

void AcqTriggerControl::setRFBlankingMarkerOffset0(const uint32_t&, tStatus& status) {
  if (!status.isFatal()) refuse(status, __LINE__);
}

void AcqTriggerControl::getRFBlankingMarkerOffset1Configuration(vlfxptype::Configuration&, tStatus& status) {
  if (!status.isFatal()) refuse(status, __LINE__);
}

void AcqTriggerControl::setRFBlankingMarkerOffset1(const uint64_t&, tStatus& status) {
  if (!status.isFatal()) refuse(status, __LINE__);
}

void AcqTriggerControl::setRFBlankingDelay(uint16_t, tStatus& status) {
  if (!status.isFatal()) refuse(status, __LINE__);
}

}  // namespace qrtifwprim
