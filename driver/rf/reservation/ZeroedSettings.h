// A settings record with every field zero, settling tables included. A
// policy starts its coerced and committed values and every new client
// record this way, not with the records' own defaults: before anything is
// committed the policy knows no hardware value.
#ifndef VL9738K_RF_RESERVATION_ZEROED_SETTINGS_H
#define VL9738K_RF_RESERVATION_ZEROED_SETTINGS_H

#include <stdint.h>

#include "../settings/SettlingTimes.h"

namespace rfyulreserve_impl {

struct SettingsZeroer {
  template <typename T>
  constexpr void value(T& field) {
    field = 0;
  }
  constexpr void times(vl9738settings::SettlingTimes& table) { table = vl9738settings::SettlingTimes(); }
  constexpr void suggest(uint8_t& flag) { flag = 0; }
};

template <typename tSettings>
constexpr tSettings zeroedSettings() {
  tSettings settings;
  SettingsZeroer zeroer;
  tSettings::visitFields(settings, zeroer);
  return settings;
}

}  // namespace rfyulreserve_impl

#endif
