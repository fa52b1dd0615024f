// The requested output power of one LO path.
#ifndef VL9738K_RF_SETTINGS_POWER_SETTINGS_H
#define VL9738K_RF_SETTINGS_POWER_SETTINGS_H

#include <stdint.h>

#include "FieldBytes.h"
#include "SettingsPrintSink.h"

namespace vl9738settings {

struct PowerSettings {
  uint32_t settlingTime0 = 0;
  uint32_t settlingTime1 = 0;
  uint16_t ncoAmplitude = 32767;  // AD9162 NCO amplitude, two 8-bit registers
  uint8_t attenuator_FxP = 127;   // the board's 7-bit attenuator code
  uint8_t suggest = 0;

  constexpr PowerSettings() = default;
  constexpr PowerSettings(uint8_t suggestFlag, uint32_t time0, uint32_t time1, uint16_t amplitude, uint8_t attenuator)
      : settlingTime0(time0),
        settlingTime1(time1),
        ncoAmplitude(amplitude),
        attenuator_FxP(attenuator),
        suggest(suggestFlag) {}

  template <typename tSelf, typename tVisitor>
  static constexpr void visitFields(tSelf& s, tVisitor& v) {
    v.value(s.settlingTime0);
    v.value(s.settlingTime1);
    v.value(s.ncoAmplitude);
    v.value(s.attenuator_FxP);
    v.suggest(s.suggest);
  }

  bool operator==(const PowerSettings& other) const;
  bool operator!=(const PowerSettings& other) const { return !(*this == other); }
};

void printPowerSettings(const PowerSettings& settings, SettingsPrintSink& sink);

}  // namespace vl9738settings

// Hash sets of these records hash their field bytes, never their stored
// bytes, so records equal by operator== always hash alike.
template <>
struct vlhtl::hasher<vl9738settings::PowerSettings> {
  uint32_t operator()(vl9738settings::PowerSettings value) const { return vl9738settings::hashFields(value); }
};

#endif
