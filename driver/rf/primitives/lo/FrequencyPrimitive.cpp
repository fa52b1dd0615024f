#include "FrequencyPrimitive.h"

#include "Ad9162Startup.h"
#include "LoStatus.h"
#include "RegisterSteps.h"
#include "driver/platform/status/StatusSite.h"
#include "driver/rf/primitives/CommittablePrimitive.h"
#include "driver/rf/reservation/ZeroedSettings.h"

namespace nVL9738K_24_0 {
namespace {

using nVLAPALS100::tStatus;
using steps::setBit;
using steps::setBits;
using steps::writeWhole;
using Settings = vl9738settings::FrequencySettings;

// Settling entries of the groups of settings.
constexpr uint32_t kNcoEntry = 0;
constexpr uint32_t kFullScaleEntry = 1;
constexpr uint32_t kReferenceEntry = 2;
constexpr uint32_t kFirstSignalPathEntry = 3;
constexpr uint32_t kAuxEntry = 8;

// The signal-path fields of the board's control word, in settling-entry order.
struct SignalPathField {
  unsigned high;
  unsigned low;
  uint8_t Settings::*value;
};
constexpr SignalPathField kSignalPath[] = {
    {1, 0, &Settings::signalPathField0},    {7, 2, &Settings::signalPathField2},
    {10, 8, &Settings::signalPathField8},   {15, 12, &Settings::signalPathField12},
    {29, 24, &Settings::signalPathField24},
};

// Most significant byte first, as the bytes are flushed; the chip runs on
// the new words only from the update strobe on, so the order is free.
using NcoRegister = arm::tRegister<uint32_t, arm::kReadable | arm::kWritable>;

bool setNcoWord(NcoRegister* const (&bytes)[6], uint64_t word, tStatus& status) {
  bool changed = false;
  for (int k = 5; k >= 0; --k) {
    changed |= setBits(*bytes[k], 7, 0, static_cast<uint32_t>(word >> (8 * k)) & 0xFF, status);
    changed |= bytes[k]->isDirty();
  }
  return changed;
}

}  // namespace

// Committed under its sharing policy by the commit helper.
static_assert(CommittablePrimitive<FrequencyPrimitive, vl9738settings::FrequencySettings>);

void FrequencyPrimitive::Maxima::fold(const Settings& settings, uint32_t entry) {
  vl9738settings::mergeSettlingTimes(time0, time1, settings.settlingTimes0.time[entry],
                                     settings.settlingTimes1.time[entry]);
}

FrequencyPrimitive::FrequencyPrimitive(RefClkToLoMap* reference, DacMap* dac, BoardCtrlMap* boardCtrl,
                                       cbak::SettlingTimerHandler* settling, WaitWithRedirection* wait)
    : reference_(reference),
      dac_(dac),
      settling_(settling),
      boardCtrl_(boardCtrl),
      default_(),
      requested_(default_),
      deployed_(rfyulreserve_impl::zeroedSettings<Settings>()),
      resync_(0),
      wait_(wait) {}

void FrequencyPrimitive::setRequested(const Settings& settings, tStatus& status) {
  if (status.isFatal()) return;
  requested_ = settings;
}

void FrequencyPrimitive::initializeWithDefaults(tStatus& status) {
  if (status.isFatal()) return;
  initializeDac(*dac_, status);
  if (status.isFatal()) return;
  requested_ = default_;
  applyChanges(status);
}

void FrequencyPrimitive::saveDeployedSettings(tStatus& status) {
  if (status.isNotFatal()) deployed_ = requested_;
}

void FrequencyPrimitive::restoreDeployedSettings(tStatus& status) {
  if (status.isNotFatal()) requested_ = deployed_;
}

// A started list writes the path's registers behind the shadows: a commit
// while it runs, or after it, must rewrite them.
void FrequencyPrimitive::onListInitiate(tStatus& status) {
  if (status.isNotFatal()) resync_ = 1;
}

void FrequencyPrimitive::onListAbort(tStatus& status) {
  if (status.isNotFatal()) resync_ = 1;
}

void FrequencyPrimitive::applyChanges(tStatus& status) {
  if (status.isFatal()) return;
  const bool force = resync_ != 0;
  const Settings& s = requested_;
  applyClockOverrides(force, status);
  // A register the map no longer vouches for is read back before its DLL
  // bit decides whether the DLL must be stopped.
  if (dac_->DllCtrl.isDirty()) dac_->DllCtrl.refresh(status);
  auto& reference = reference_->RefClkToLo;
  const bool refChange = reference.isDirty() || (reference.getValue() & 3u) != s.refClkToLoCtrl;
  const bool dllStopped = stopDllForReferenceChange(refChange, force, status);
  const uint32_t signalPathChanged = applySignalPath(force, status);
  setBits(reference, 1, 0, s.refClkToLoCtrl, status);
  reference.flush(status, force);
  if (dllStopped && status.isNotFatal()) {
    // The DLL locks again only on a reference that has settled.
    wait_->waitMicroseconds(kDllRestartDelayUs, status);
    setBit(dac_->DllCtrl, 0, true, status);
    dac_->DllCtrl.flush(status, force);
  }
  Maxima maxima;
  applyNcoSettings(force, maxima, status);
  auto& aux = boardCtrl_->ExtLoRouting;
  const bool auxChanged = setBits(aux, 1, 0, s.auxFlag, status) || aux.isDirty();
  aux.flush(status, force);

  if (refChange) maxima.fold(s, kReferenceEntry);
  for (uint32_t group = 0; group < 5; ++group) {
    if ((signalPathChanged >> group) & 1u) maxima.fold(s, kFirstSignalPathEntry + group);
  }
  if (auxChanged) maxima.fold(s, kAuxEntry);
  // Even after an error: what did change must still be given its time.
  if (maxima.time0 != 0 || maxima.time1 != 0) settling_->setTimers(maxima.time0, maxima.time1, status);
  if (status.isNotFatal()) resync_ = 0;
}

void FrequencyPrimitive::applyClockOverrides(bool force, tStatus& status) {
  const Settings& s = requested_;
  DacMap& dac = *dac_;
  if (s.dllCtrlField1Override != 0) {
    setBits(dac.DllCtrl, 2, 1, s.dllCtrlField1 & 3u, status);
    dac.DllCtrl.flush(status, force);
  }
  if (s.dllCtrlField3Override != 0) {
    setBits(dac.DllCtrl, 4, 3, s.dllCtrlField3 & 3u, status);
    dac.DllCtrl.flush(status, force);
  }
  if (s.dllCoarseOverride != 0) {
    setBits(dac.DllCoarseReg, 5, 0, s.dllCoarse & 0x3Fu, status);
    dac.DllCoarseReg.flush(status, force);
  }
  if (s.dllFineOverride != 0) {
    setBits(dac.DllFineReg, 7, 0, s.dllFine, status);
    dac.DllFineReg.flush(status, force);
  }
  if (s.dllPhaseOverride != 0) {
    setBits(dac.DllPhaseReg, 4, 0, s.dllPhase & 0x1Fu, status);
    dac.DllPhaseReg.flush(status, force);
  }
  if (s.dllBwOverride != 0) {
    setBits(dac.DllBW, 4, 2, s.dllBwHigh & 7u, status);
    setBits(dac.DllBW, 1, 0, s.dllBwLow & 3u, status);
    dac.DllBW.flush(status, force);
  }
  if (s.clockPhaseTuneOverride != 0) writeWhole(dac.ClockPhaseTuneReg, s.clockPhaseTune, status);
  if (s.clockDutyCycleOverride != 0) writeWhole(dac.ClockDutyCycleCtrl, s.clockDutyCycle, status);
  if (s.clockCrossOverride != 0) writeWhole(dac.ClockCrossCtrl, s.clockCross, status);
  if (s.pllRefClockPdOverride != 0) writeWhole(dac.PllRefClockPD, s.pllRefClockPd, status);
  if (s.datapathCfgOverride != 0) writeWhole(dac.DatapathCfg, s.datapathCfg, status);
  if (s.decodeCtrlOverride != 0) writeWhole(dac.DecodeCtrlReg, s.decodeCtrl, status);
  if (s.decodeModeOverride != 0) writeWhole(dac.DecodeModeReg, s.decodeMode, status);
  if (s.dllCtrlOverride != 0) writeWhole(dac.DllCtrl, s.dllCtrl, status);
  setBit(dac.DllCtrl, 0, s.dllEnable != 0, status);
  dac.DllCtrl.flush(status, force);
}

bool FrequencyPrimitive::stopDllForReferenceChange(bool refChange, bool force, tStatus& status) {
  auto& dll = dac_->DllCtrl;
  if (!refChange || (dll.getValue() & 1u) == 0) return false;
  setBit(dll, 0, false, status);
  dll.flush(status, force);
  return true;
}

uint32_t FrequencyPrimitive::applySignalPath(bool force, tStatus& status) {
  auto& path = boardCtrl_->SignalPath;
  const uint32_t before = path.getValue();
  const bool wasDirty = path.isDirty();
  for (const SignalPathField& field : kSignalPath)
    setBits(path, field.high, field.low, requested_.*field.value, status);
  path.flush(status, force);
  // A register the map does not vouch for counts as changed throughout.
  if (wasDirty) return (1u << 5) - 1;
  uint32_t changed = 0;
  for (uint32_t group = 0; group < 5; ++group) {
    const uint32_t mask = steps::bitMask(kSignalPath[group].high, kSignalPath[group].low);
    if (((before ^ path.getValue()) & mask) != 0) changed |= 1u << group;
  }
  return changed;
}

void FrequencyPrimitive::applyNcoSettings(bool force, Maxima& maxima, tStatus& status) {
  const Settings& s = requested_;
  DacMap& dac = *dac_;
  setBits(dac.PhaseOffset1, 7, 0, s.phaseOffset >> 8, status);
  dac.PhaseOffset1.flush(status, force);
  setBits(dac.PhaseOffset0, 7, 0, s.phaseOffset & 0xFFu, status);
  dac.PhaseOffset0.flush(status, force);

  bool fscChanged = setBits(dac.AnalogFSC0, 1, 0, s.fullScaleCurrent & 3u, status);
  fscChanged |= setBits(dac.AnalogFSC1, 7, 0, (s.fullScaleCurrent >> 2) & 0xFFu, status);
  fscChanged |= dac.AnalogFSC0.isDirty() || dac.AnalogFSC1.isDirty();
  dac.AnalogFSC0.flush(status, force);
  dac.AnalogFSC1.flush(status, force);

  NcoRegister* const ftw[6] = {&dac.Ftw0, &dac.Ftw1, &dac.Ftw2, &dac.Ftw3, &dac.Ftw4, &dac.Ftw5};
  NcoRegister* const delta[6] = {&dac.AccDelta0, &dac.AccDelta1, &dac.AccDelta2,
                                 &dac.AccDelta3, &dac.AccDelta4, &dac.AccDelta5};
  NcoRegister* const modulus[6] = {&dac.AccModulus0, &dac.AccModulus1, &dac.AccModulus2,
                                   &dac.AccModulus3, &dac.AccModulus4, &dac.AccModulus5};
  bool ncoChanged = setNcoWord(ftw, s.ftw, status);
  ncoChanged |= setNcoWord(delta, s.accDelta, status);
  ncoChanged |= setNcoWord(modulus, s.accModulus, status);
  if (force || ncoChanged) {
    for (int k = 5; k >= 0; --k) ftw[k]->flush(status, force);
    for (int k = 5; k >= 0; --k) delta[k]->flush(status, force);
    for (int k = 5; k >= 0; --k) modulus[k]->flush(status, force);
    // The chip takes the new words over on the strobe's rising edge.
    setBit(dac.FtwUpdate, 0, true, status);
    dac.FtwUpdate.flush(status, false);
    setBit(dac.FtwUpdate, 0, false, status);
    dac.FtwUpdate.flush(status, false);
  }
  if (fscChanged) maxima.fold(s, kFullScaleEntry);
  if (ncoChanged) maxima.fold(s, kNcoEntry);
}

uint16_t FrequencyPrimitive::readDacTemperatureCode(tStatus& status) {
  DacMap& dac = *dac_;
  // The sensor latches a reading while the update bit is high.
  setBit(dac.TempSenseUpdateReg, 0, true, status);
  dac.TempSenseUpdateReg.flush(status, false);
  dac.TempSenseLsbReg.refresh(status);
  dac.TempSenseMsbReg.refresh(status);
  setBit(dac.TempSenseUpdateReg, 0, false, status);
  dac.TempSenseUpdateReg.flush(status, false);
  return static_cast<uint16_t>((dac.TempSenseLsbReg.getValue() & 0xFFu) | (dac.TempSenseMsbReg.getValue() << 8));
}

void FrequencyPrimitive::readDacTemperatureSum(uint32_t n, uint32_t& sum, uint32_t& divisor, tStatus& status) {
  if (status.isFatal()) return;
  sum = 0;
  if (n > kMaxTemperatureReadings) {
    divisor = 1;
    status.setCode(kStatusTooManyReadings, VL_SITE);
    return;
  }
  divisor = n * kTemperatureCodeScale;
  if (n == 0) {
    status.setCode(kStatusLoInvalidArgument, VL_SITE);
    return;
  }
  // Each reading adds 32 x its temperature in units of 1/34250 degree C:
  // (222 c - 6,507,500), kept in 64 bits so that a sum the caller cannot
  // hold is refused instead of wrapped.
  int64_t total = 0;
  for (uint32_t i = 0; i < n && status.isNotFatal(); ++i) {
    const int64_t code = readDacTemperatureCode(status);
    if (status.isFatal()) break;
    const int64_t next = total + (code << 5) + (code - int64_t{kTemperatureCodeScale}) * 190;
    if (next < INT32_MIN || next > INT32_MAX) {
      status.setCode(kStatusTooManyReadings, VL_SITE);
      break;
    }
    total = next;
  }
  sum = static_cast<uint32_t>(static_cast<int32_t>(total));
}

}  // namespace nVL9738K_24_0
