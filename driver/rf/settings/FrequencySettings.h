// The requested frequency state of one LO path: the AD9162 NCO words, the
// DAC full-scale current, the LO signal-path fields, and optional overrides
// of AD9162 clock and DLL registers (a zero override flag leaves its
// register alone). NCO frequency / DAC clock = (ftw + accDelta / accModulus)
// / 2^48; the default gives exactly 11/15 of the DAC clock.
#ifndef VL9738K_RF_SETTINGS_FREQUENCY_SETTINGS_H
#define VL9738K_RF_SETTINGS_FREQUENCY_SETTINGS_H

#include <stdint.h>

#include "FieldBytes.h"
#include "SettingsPrintSink.h"
#include "SettlingTimes.h"

namespace vl9738settings {

struct FrequencySettings {
  SettlingTimes settlingTimes0;
  SettlingTimes settlingTimes1;
  uint64_t ftw = 0xbbbbbbbbbbbbull;
  uint64_t accModulus = 15;
  uint64_t accDelta = 11;
  uint16_t phaseOffset = 0;
  uint16_t fullScaleCurrent = 1023;
  uint8_t refClkToLoCtrl = 3;
  uint8_t signalPathField0 = 0;
  uint8_t signalPathField2 = 0;
  uint8_t signalPathField8 = 1;
  uint8_t signalPathField12 = 0;
  uint8_t signalPathField24 = 2;
  uint8_t auxFlag = 0;
  uint8_t dllEnable = 1;
  uint8_t dllCtrlField1Override = 0;
  uint8_t dllCtrlField1 = 0;
  uint8_t dllCtrlField3Override = 0;
  uint8_t dllCtrlField3 = 0;
  uint8_t dllCoarseOverride = 0;
  uint8_t dllCoarse = 0;
  uint8_t dllFineOverride = 0;
  uint8_t dllFine = 0;
  uint8_t dllPhaseOverride = 0;
  uint8_t dllPhase = 0;
  uint8_t dllBwOverride = 0;
  uint8_t dllBwHigh = 0;
  uint8_t dllBwLow = 0;
  uint8_t suggest = 0;
  uint8_t clockPhaseTuneOverride = 0;
  uint8_t clockPhaseTune = 0;
  uint8_t clockDutyCycleOverride = 0;
  uint8_t clockDutyCycle = 0;
  uint8_t clockCrossOverride = 0;
  uint8_t clockCross = 0;
  uint8_t pllRefClockPdOverride = 0;
  uint8_t pllRefClockPd = 0;
  uint8_t datapathCfgOverride = 0;
  uint8_t datapathCfg = 0;
  uint8_t decodeCtrlOverride = 0;
  uint8_t decodeCtrl = 0;
  uint8_t decodeModeOverride = 0;
  uint8_t decodeMode = 0;
  uint8_t dllCtrlOverride = 0;
  uint8_t dllCtrl = 0;

  constexpr FrequencySettings() = default;
  // The suggestion flag and the NCO words come first, then the tables and
  // the full-scale current, then the byte fields in field order (the
  // suggestion flag left out).
  FrequencySettings(uint8_t suggest, uint64_t ftw, uint64_t accModulus, uint64_t accDelta, uint16_t phaseOffset,
                    const SettlingTimes& settlingTimes0, const SettlingTimes& settlingTimes1, uint16_t fullScaleCurrent,
                    uint8_t refClkToLoCtrl, uint8_t signalPathField0, uint8_t signalPathField2,
                    uint8_t signalPathField8, uint8_t signalPathField12, uint8_t signalPathField24, uint8_t auxFlag,
                    uint8_t dllEnable, uint8_t dllCtrlField1Override, uint8_t dllCtrlField1,
                    uint8_t dllCtrlField3Override, uint8_t dllCtrlField3, uint8_t dllCoarseOverride, uint8_t dllCoarse,
                    uint8_t dllFineOverride, uint8_t dllFine, uint8_t dllPhaseOverride, uint8_t dllPhase,
                    uint8_t dllBwOverride, uint8_t dllBwHigh, uint8_t dllBwLow, uint8_t clockPhaseTuneOverride,
                    uint8_t clockPhaseTune, uint8_t clockDutyCycleOverride, uint8_t clockDutyCycle,
                    uint8_t clockCrossOverride, uint8_t clockCross, uint8_t pllRefClockPdOverride,
                    uint8_t pllRefClockPd, uint8_t datapathCfgOverride, uint8_t datapathCfg, uint8_t decodeCtrlOverride,
                    uint8_t decodeCtrl, uint8_t decodeModeOverride, uint8_t decodeMode, uint8_t dllCtrlOverride,
                    uint8_t dllCtrl);

  // The fields in declaration order, which is also their wire order.
  template <typename tSelf, typename tVisitor>
  static constexpr void visitFields(tSelf& s, tVisitor& v) {
    v.times(s.settlingTimes0);
    v.times(s.settlingTimes1);
    v.value(s.ftw);
    v.value(s.accModulus);
    v.value(s.accDelta);
    v.value(s.phaseOffset);
    v.value(s.fullScaleCurrent);
    v.value(s.refClkToLoCtrl);
    v.value(s.signalPathField0);
    v.value(s.signalPathField2);
    v.value(s.signalPathField8);
    v.value(s.signalPathField12);
    v.value(s.signalPathField24);
    v.value(s.auxFlag);
    v.value(s.dllEnable);
    v.value(s.dllCtrlField1Override);
    v.value(s.dllCtrlField1);
    v.value(s.dllCtrlField3Override);
    v.value(s.dllCtrlField3);
    v.value(s.dllCoarseOverride);
    v.value(s.dllCoarse);
    v.value(s.dllFineOverride);
    v.value(s.dllFine);
    v.value(s.dllPhaseOverride);
    v.value(s.dllPhase);
    v.value(s.dllBwOverride);
    v.value(s.dllBwHigh);
    v.value(s.dllBwLow);
    v.suggest(s.suggest);
    v.value(s.clockPhaseTuneOverride);
    v.value(s.clockPhaseTune);
    v.value(s.clockDutyCycleOverride);
    v.value(s.clockDutyCycle);
    v.value(s.clockCrossOverride);
    v.value(s.clockCross);
    v.value(s.pllRefClockPdOverride);
    v.value(s.pllRefClockPd);
    v.value(s.datapathCfgOverride);
    v.value(s.datapathCfg);
    v.value(s.decodeCtrlOverride);
    v.value(s.decodeCtrl);
    v.value(s.decodeModeOverride);
    v.value(s.decodeMode);
    v.value(s.dllCtrlOverride);
    v.value(s.dllCtrl);
  }

  bool operator==(const FrequencySettings& other) const;
  bool operator!=(const FrequencySettings& other) const { return !(*this == other); }
};

// Field by field; with `strict` false, two records that differ only in
// `dllFine` compare equal. The sharing policy compares that way, the hash
// sets and operator== strictly.
bool compareFrequencySettings(const FrequencySettings& a, const FrequencySettings& b, bool strict);

void printFrequencySettings(const FrequencySettings& settings, SettingsPrintSink& sink);

// The three settings the frequency-cycling request applies in turn, A, B, C
// (C is the default): exactly 1/6, 5/9 and 11/15 of the DAC clock.
inline constexpr uint32_t kFrequencyPresetCount = 3;
FrequencySettings frequencyPreset(uint32_t index);

}  // namespace vl9738settings

// Hash sets of these records hash their field bytes, never their stored
// bytes, so records equal by operator== always hash alike.
template <>
struct vlhtl::hasher<vl9738settings::FrequencySettings> {
  uint32_t operator()(vl9738settings::FrequencySettings value) const { return vl9738settings::hashFields(value); }
};

#endif
