#include "GenTriggerControl.h"

#include "ShadowedRegisterWrites.h"
#include "driver/platform/status/StatusCodes.h"
#include "driver/platform/status/StatusSite.h"

namespace qrtifwprim {

namespace {

using tMap = GenTriggerControl::tMap;
using tPulseSlot = shadowed::tPulseWidthSlot<tMap>;
namespace regs = nQRTGenerationRegisters::nQRTGenerationRegisters;

// Kinds above this one select the fullness trigger.
constexpr uint32_t kLastTriggerKind = 4;
// RF blanking delays are ten bits wide.
constexpr uint16_t kRFBlankingDelayLimit = 1024;
constexpr int32_t kFirstMarker = 103;
constexpr int32_t kTriggerCount = 7;

tMap::tTriggerControlRegType tMap::*const kTriggerRegisters[kTriggerCount] = {
    &tMap::TriggerControl16, &tMap::TriggerControl17,  &tMap::TriggerControl18,  &tMap::TriggerControl19,
    &tMap::TriggerControl20, &tMap::TriggerControl144, &tMap::TriggerControl145,
};

tMap::tMarkerOutputBehaviorSettings tMap::*const kMarkerRegisters[] = {
    &tMap::MarkerOutputBehavior64,
    &tMap::MarkerOutputBehavior65,
    &tMap::MarkerOutputBehavior66,
    &tMap::MarkerOutputBehavior67,
};

const tPulseSlot kPulseWidths[] = {
    {1, [](tMap& m) -> shadowed::tPulseWidthRegister& { return m.StartTriggerMinExportPulseWidth; }, false},
    {2, [](tMap& m) -> shadowed::tPulseWidthRegister& { return m.Script0Script1MinExportPulseWidth; }, false},
    {3, [](tMap& m) -> shadowed::tPulseWidthRegister& { return m.Script0Script1MinExportPulseWidth; }, true},
    {4, [](tMap& m) -> shadowed::tPulseWidthRegister& { return m.Script2Script3MinExportPulseWidth; }, false},
    {5, [](tMap& m) -> shadowed::tPulseWidthRegister& { return m.Script2Script3MinExportPulseWidth; }, true},
    {6, [](tMap& m) -> shadowed::tPulseWidthRegister& { return m.ClstCseMinExportPulseWidth; }, false},
    {101, [](tMap& m) -> shadowed::tPulseWidthRegister& { return m.DoneStartedMinExportPulseWidth; }, true},
    {102, [](tMap& m) -> shadowed::tPulseWidthRegister& { return m.DoneStartedMinExportPulseWidth; }, false},
    {103, [](tMap& m) -> shadowed::tPulseWidthRegister& { return m.Marker0Marker1MinExportPulseWidth; }, false},
    {104, [](tMap& m) -> shadowed::tPulseWidthRegister& { return m.Marker0Marker1MinExportPulseWidth; }, true},
    {105, [](tMap& m) -> shadowed::tPulseWidthRegister& { return m.Marker2Marker3MinExportPulseWidth; }, false},
    {106, [](tMap& m) -> shadowed::tPulseWidthRegister& { return m.Marker2Marker3MinExportPulseWidth; }, true},
    {107, [](tMap& m) -> shadowed::tPulseWidthRegister& { return m.ClstCseMinExportPulseWidth; }, true},
    {108, [](tMap& m) -> shadowed::tPulseWidthRegister& { return m.TimerStartTimerEventMinExportPulseWidth; }, false},
};

}  // namespace

GenTriggerControl::GenTriggerControl(tMap* map)
    : map_(map),
      offset0Configuration_{1, 32, 16},
      offset1Configuration_{1, 32, 16},
      pulseWidthConfiguration_{0, 32, 16} {}

void GenTriggerControl::refuse(tStatus& status, uint64_t line) {
  status.setCode(nVLAPALS100::kStatusInvalidParameter, VL_SITE_AT(__FILE__, line));
}

tMap::tTriggerControlRegType* GenTriggerControl::triggerRegister(int32_t triggerId) const {
  if (triggerId < 1 || triggerId > kTriggerCount) return nullptr;
  return &(map_->*kTriggerRegisters[triggerId - 1]);
}

void GenTriggerControl::setP2PFullnessTriggerBit(bool value, tStatus& status) {
  map_->GenerationP2PControlRegType.writeBit3(value, status, false);
}

void GenTriggerControl::configureFullnessTrigger(uint32_t level, tStatus& status) {
  map_->TriggerControl16.setType(regs::TriggerType(1), status)
      .setEdge(regs::TriggerEdge(0), status)
      .setLevel(regs::TriggerLevel(1), status)
      .setMinImportPulseDuration(0, status)
      .flush(status, false);
  setP2PFullnessTriggerBit(true, status);
  map_->P2PEndpointFullnessTriggerLevel.writeWord(level, status, false);
}

void GenTriggerControl::configureTrigger(int32_t triggerId, const trigki::TriggerConfiguration& configuration,
                                         tStatus& status) {
  if (status.isFatal()) return;
  if (configuration.kind > kLastTriggerKind) {
    configureFullnessTrigger(configuration.fullnessLevel, status);
    return;
  }
  tMap::tTriggerControlRegType* reg = triggerRegister(triggerId);
  if (reg == nullptr) return refuse(status, __LINE__);
  reg->setType(regs::TriggerType(configuration.kind), status)
      .setEdge(regs::TriggerEdge(configuration.edge & 1), status)
      .setLevel(regs::TriggerLevel(configuration.level & 1), status)
      .setMinImportPulseDuration(configuration.minImportPulseDuration, status)
      .flush(status, false);
  if (triggerId == 1) setP2PFullnessTriggerBit(false, status);
}

void GenTriggerControl::getPulseWidthConfiguration(vlfxptype::Configuration& out, tStatus& status) {
  if (status.isFatal()) return;
  out = pulseWidthConfiguration_;
}

void GenTriggerControl::setMinExportPulseWidth(int32_t id, const vlfxptype::Number& width, tStatus& status) {
  if (status.isFatal()) return;
  const tPulseSlot* slot = shadowed::findSlot(kPulseWidths, id);
  if (slot == nullptr) return refuse(status, __LINE__);
  shadowed::writeHalf(slot->reach(*map_), slot->high, static_cast<uint32_t>(width.raw), status);
}

void GenTriggerControl::setMarkerOutputBehavior(int32_t markerId, const trigki::MarkerOutputBehavior& behavior,
                                                tStatus& status) {
  if (status.isFatal()) return;
  const int32_t index = markerId - kFirstMarker;
  if (index < 0 || index >= static_cast<int32_t>(sizeof(kMarkerRegisters) / sizeof(kMarkerRegisters[0]))) {
    return refuse(status, __LINE__);
  }
  (map_->*kMarkerRegisters[index])
      .setMarkerOutputBehavior(regs::MarkerOutputBehavior(behavior.behavior), status)
      .setMarkerToggleInitialState(regs::TriggerLevel(behavior.toggleInitialState & 1), status)
      .flush(status, false);
}

void GenTriggerControl::setRFBlankingMarkerMask(uint8_t mask, tStatus& status) {
  map_->RFBlankingMarkerMask.writeMask(mask, status, false);
}

void GenTriggerControl::getRFBlankingMarkerOffset0Configuration(vlfxptype::Configuration& out, tStatus& status) {
  if (status.isFatal()) return;
  out = offset0Configuration_;
}

void GenTriggerControl::setRFBlankingMarkerOffset0(const uint32_t& offset, tStatus& status) {
  map_->RFBlankingMarkerOffset.writeLow(offset, status, false);
}

void GenTriggerControl::getRFBlankingMarkerOffset1Configuration(vlfxptype::Configuration& out, tStatus& status) {
  if (status.isFatal()) return;
  out = offset1Configuration_;
}

void GenTriggerControl::setRFBlankingMarkerOffset1(const uint64_t& offset, tStatus& status) {
  map_->RFBlankingMarkerOffset.writeHigh(static_cast<uint32_t>(offset), status, false);
}

void GenTriggerControl::setRFBlankingDelay(uint16_t delay, tStatus& status) {
  if (status.isFatal()) return;
  if (delay >= kRFBlankingDelayLimit) return refuse(status, __LINE__);
  map_->RFBlankingDelay.writeDelay(delay, status, false);
}

// The software-trigger bits are strobes: the register's flush drops them
// from the shadow once written, so every call writes again.
void GenTriggerControl::sendSoftwareTrigger(int32_t triggerId, tStatus& status) {
  if (status.isFatal()) return;
  if (triggerId < 1 || triggerId > kTriggerCount) return refuse(status, __LINE__);
  auto& reg = map_->SendSoftwareTrigger;
  shadowed::writeValue(reg, reg.getValue() | (uint64_t{1} << (triggerId - 1)), status);
}

// Not the software-trigger register: a dirty strobe register would fire on
// its next flush.
void GenTriggerControl::markRegistersDirty(tStatus& status) {
  if (status.isFatal()) return;
  tMap& m = *map_;
  shadowed::markDirty(m.TriggerControl16, m.TriggerControl17, m.TriggerControl18, m.TriggerControl19,
                      m.TriggerControl20, m.DoneStartedMinExportPulseWidth, m.StartTriggerMinExportPulseWidth,
                      m.Script0Script1MinExportPulseWidth, m.Script2Script3MinExportPulseWidth,
                      m.Marker0Marker1MinExportPulseWidth, m.Marker2Marker3MinExportPulseWidth, m.RFBlankingDelay,
                      m.MarkerOutputBehavior64, m.MarkerOutputBehavior65, m.MarkerOutputBehavior66,
                      m.MarkerOutputBehavior67, m.RFBlankingMarkerMask, m.RFBlankingMarkerOffset,
                      m.GenerationP2PControlRegType, m.P2PEndpointFullnessTriggerLevel, m.TriggerControl144,
                      m.TriggerControl145, m.ClstCseMinExportPulseWidth, m.TimerStartTimerEventMinExportPulseWidth);
}

// The acquisition engine's operations.

void GenTriggerControl::setOptionBit(bool, tStatus& status) {
  if (!status.isFatal()) refuse(status, __LINE__);
}

void GenTriggerControl::setTriggerDelay(int32_t, uint64_t, tStatus& status) {
  if (!status.isFatal()) refuse(status, __LINE__);
}

void GenTriggerControl::setTriggerHoldoffs(uint64_t, uint64_t, tStatus& status) {
  if (!status.isFatal()) refuse(status, __LINE__);
}

void GenTriggerControl::getHoldoffCounterSupport(uint32_t&, tStatus& status) {
  if (!status.isFatal()) refuse(status, __LINE__);
}

void GenTriggerControl::setTriggerHoldoffSettings(const trigki::TriggerHoldoffSettings&, tStatus& status) {
  if (!status.isFatal()) refuse(status, __LINE__);
}

void GenTriggerControl::setTriggerEnabled(int32_t, bool, tStatus& status) {
  if (!status.isFatal()) refuse(status, __LINE__);
}

void GenTriggerControl::setTriggerFlag(int32_t, bool, tStatus& status) {
  if (!status.isFatal()) refuse(status, __LINE__);
}

}  // namespace qrtifwprim
