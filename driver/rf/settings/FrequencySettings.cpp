#include "FrequencySettings.h"

#include "FieldBytes.h"

namespace vl9738settings {

namespace {

// Where `dllFine` lies among the field bytes: after the two tables, the
// three NCO words, the phase offset, the full-scale current and the 15 byte
// fields before it.
constexpr uint32_t kDllFineByte = 2 * 36 + 3 * 8 + 2 * 2 + 15;

struct Preset {
  uint64_t ftw;
  uint64_t accModulus;
  uint64_t accDelta;
  uint8_t refClkToLoCtrl;
  uint8_t signalPathField0;
  uint8_t signalPathField2;
  uint8_t signalPathField24;
};

constexpr Preset kPresets[kFrequencyPresetCount] = {
    {0x2aaaaaaaaaaaull, 3, 2, 2, 3, 26, 22},
    {0x8e38e38e38e3ull, 9, 5, 1, 3, 22, 6},
    {0xbbbbbbbbbbbbull, 15, 11, 3, 0, 0, 2},
};

}  // namespace

FrequencySettings::FrequencySettings(uint8_t suggestFlag, uint64_t ftwWord, uint64_t modulus, uint64_t delta,
                                     uint16_t phase, const SettlingTimes& times0, const SettlingTimes& times1,
                                     uint16_t current, uint8_t refClkToLo, uint8_t path0, uint8_t path2, uint8_t path8,
                                     uint8_t path12, uint8_t path24, uint8_t aux, uint8_t dllOn, uint8_t ctrl1Override,
                                     uint8_t ctrl1, uint8_t ctrl3Override, uint8_t ctrl3, uint8_t coarseOverride,
                                     uint8_t coarse, uint8_t fineOverride, uint8_t fine, uint8_t phaseRegOverride,
                                     uint8_t phaseReg, uint8_t bwOverride, uint8_t bwHigh, uint8_t bwLow,
                                     uint8_t phaseTuneOverride, uint8_t phaseTune, uint8_t dutyOverride, uint8_t duty,
                                     uint8_t crossOverride, uint8_t cross, uint8_t refPdOverride, uint8_t refPd,
                                     uint8_t datapathOverride, uint8_t datapath, uint8_t decodeCtrlFlag,
                                     uint8_t decodeCtrlValue, uint8_t decodeModeFlag, uint8_t decodeModeValue,
                                     uint8_t dllCtrlFlag, uint8_t dllCtrlValue)
    : settlingTimes0(times0),
      settlingTimes1(times1),
      ftw(ftwWord),
      accModulus(modulus),
      accDelta(delta),
      phaseOffset(phase),
      fullScaleCurrent(current),
      refClkToLoCtrl(refClkToLo),
      signalPathField0(path0),
      signalPathField2(path2),
      signalPathField8(path8),
      signalPathField12(path12),
      signalPathField24(path24),
      auxFlag(aux),
      dllEnable(dllOn),
      dllCtrlField1Override(ctrl1Override),
      dllCtrlField1(ctrl1),
      dllCtrlField3Override(ctrl3Override),
      dllCtrlField3(ctrl3),
      dllCoarseOverride(coarseOverride),
      dllCoarse(coarse),
      dllFineOverride(fineOverride),
      dllFine(fine),
      dllPhaseOverride(phaseRegOverride),
      dllPhase(phaseReg),
      dllBwOverride(bwOverride),
      dllBwHigh(bwHigh),
      dllBwLow(bwLow),
      suggest(suggestFlag),
      clockPhaseTuneOverride(phaseTuneOverride),
      clockPhaseTune(phaseTune),
      clockDutyCycleOverride(dutyOverride),
      clockDutyCycle(duty),
      clockCrossOverride(crossOverride),
      clockCross(cross),
      pllRefClockPdOverride(refPdOverride),
      pllRefClockPd(refPd),
      datapathCfgOverride(datapathOverride),
      datapathCfg(datapath),
      decodeCtrlOverride(decodeCtrlFlag),
      decodeCtrl(decodeCtrlValue),
      decodeModeOverride(decodeModeFlag),
      decodeMode(decodeModeValue),
      dllCtrlOverride(dllCtrlFlag),
      dllCtrl(dllCtrlValue) {}

bool FrequencySettings::operator==(const FrequencySettings& other) const {
  return compareFrequencySettings(*this, other, true);
}

bool compareFrequencySettings(const FrequencySettings& a, const FrequencySettings& b, bool strict) {
  using Bytes = FieldBytes<FrequencySettings>;
  static_assert(Bytes::kSize == 138, "the frequency record has 138 field bytes");
  const Bytes left(a);
  const Bytes right(b);
  for (uint32_t i = 0; i < Bytes::kSize; ++i) {
    if (left[i] != right[i] && (strict || i != kDllFineByte)) return false;
  }
  return true;
}

void printFrequencySettings(const FrequencySettings&, SettingsPrintSink& sink) {
  sink.print("%s(The print function for vl9738settings::FrequencySettings has not been defined)%s", sink.prefix(),
             sink.suffix());
}

FrequencySettings frequencyPreset(uint32_t index) {
  const Preset& preset = kPresets[index % kFrequencyPresetCount];
  FrequencySettings settings;
  settings.ftw = preset.ftw;
  settings.accModulus = preset.accModulus;
  settings.accDelta = preset.accDelta;
  settings.refClkToLoCtrl = preset.refClkToLoCtrl;
  settings.signalPathField0 = preset.signalPathField0;
  settings.signalPathField2 = preset.signalPathField2;
  settings.signalPathField24 = preset.signalPathField24;
  return settings;
}

}  // namespace vl9738settings
