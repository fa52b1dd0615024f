// The requested state of the reference-clock path. There is no suggestion
// flag: every client of the path must ask for the same value.
#ifndef VL9738K_RF_SETTINGS_REF_CLOCK_SETTINGS_H
#define VL9738K_RF_SETTINGS_REF_CLOCK_SETTINGS_H

#include <stdint.h>

#include "FieldBytes.h"
#include "SettingsPrintSink.h"

namespace vl9738settings {

struct RefClockSettings {
  uint32_t frequencyFractional = 0;
  uint32_t alternateFractional = 0;
  uint8_t refClock = 0;  // 0 onboard, 1 pxieClk100, 2 refIn
  uint8_t refOut = 0;    // 0 disabled, 1 enabled
  uint16_t onboardRefClkDac = 2702;
  uint16_t referenceDivisor = 2;
  uint16_t frequencyInteger = 20;
  uint8_t chargePumpUpGain = 40;
  uint8_t chargePumpDnGain = 40;
  uint8_t offsetCurrent = 0;
  uint8_t offsetCurrentSinkEnable = 0;
  uint8_t offsetCurrentSourceEnable = 0;
  uint8_t hiKChargePumpMode = 0;
  uint8_t lockDetectWindow = 5;
  uint8_t cycleSlipPreventionEn = 0;
  uint8_t seedMode = 1;
  uint8_t bypassRefOutDivider = 0;

  constexpr RefClockSettings() = default;
  RefClockSettings(uint32_t frequencyFractional, uint32_t alternateFractional, uint8_t refClock, uint8_t refOut,
                   uint16_t onboardRefClkDac, uint16_t referenceDivisor, uint16_t frequencyInteger,
                   uint8_t chargePumpUpGain, uint8_t chargePumpDnGain, uint8_t offsetCurrent,
                   uint8_t offsetCurrentSinkEnable, uint8_t offsetCurrentSourceEnable, uint8_t hiKChargePumpMode,
                   uint8_t lockDetectWindow, uint8_t cycleSlipPreventionEn, uint8_t seedMode,
                   uint8_t bypassRefOutDivider);

  template <typename tSelf, typename tVisitor>
  static constexpr void visitFields(tSelf& s, tVisitor& v) {
    v.value(s.frequencyFractional);
    v.value(s.alternateFractional);
    v.value(s.refClock);
    v.value(s.refOut);
    v.value(s.onboardRefClkDac);
    v.value(s.referenceDivisor);
    v.value(s.frequencyInteger);
    v.value(s.chargePumpUpGain);
    v.value(s.chargePumpDnGain);
    v.value(s.offsetCurrent);
    v.value(s.offsetCurrentSinkEnable);
    v.value(s.offsetCurrentSourceEnable);
    v.value(s.hiKChargePumpMode);
    v.value(s.lockDetectWindow);
    v.value(s.cycleSlipPreventionEn);
    v.value(s.seedMode);
    v.value(s.bypassRefOutDivider);
  }

  bool operator==(const RefClockSettings& other) const;
  bool operator!=(const RefClockSettings& other) const { return !(*this == other); }
};

void printRefClockSettings(const RefClockSettings& settings, SettingsPrintSink& sink);

}  // namespace vl9738settings

// Hash sets of these records hash their field bytes, never their stored
// bytes, so records equal by operator== always hash alike.
template <>
struct vlhtl::hasher<vl9738settings::RefClockSettings> {
  uint32_t operator()(vl9738settings::RefClockSettings value) const { return vl9738settings::hashFields(value); }
};

#endif
