// The requested position of the cross switch.
#ifndef VL9738K_RF_SETTINGS_CROSS_SWITCH_SETTINGS_H
#define VL9738K_RF_SETTINGS_CROSS_SWITCH_SETTINGS_H

#include <stdint.h>

#include "FieldBytes.h"
#include "SettingsPrintSink.h"

namespace vl9738settings {

struct CrossSwitchSettings {
  uint32_t settlingTime0 = 0;
  uint32_t settlingTime1 = 0;
  uint8_t suggest = 0;
  uint8_t mode = 4;  // 5-bit field of the cross-switch control register

  constexpr CrossSwitchSettings() = default;
  constexpr CrossSwitchSettings(uint8_t suggestFlag, uint32_t time0, uint32_t time1, uint8_t switchMode)
      : settlingTime0(time0), settlingTime1(time1), suggest(suggestFlag), mode(switchMode) {}

  template <typename tSelf, typename tVisitor>
  static constexpr void visitFields(tSelf& s, tVisitor& v) {
    v.value(s.settlingTime0);
    v.value(s.settlingTime1);
    v.suggest(s.suggest);
    v.value(s.mode);
  }

  bool operator==(const CrossSwitchSettings& other) const;
  bool operator!=(const CrossSwitchSettings& other) const { return !(*this == other); }
};

void printCrossSwitchSettings(const CrossSwitchSettings& settings, SettingsPrintSink& sink);

}  // namespace vl9738settings

// Hash sets of these records hash their field bytes, never their stored
// bytes, so records equal by operator== always hash alike.
template <>
struct vlhtl::hasher<vl9738settings::CrossSwitchSettings> {
  uint32_t operator()(vl9738settings::CrossSwitchSettings value) const { return vl9738settings::hashFields(value); }
};

#endif
