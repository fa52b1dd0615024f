// Hashes of the settings records kept in the reservation policies' hash
// sets: FNV-1a over the record's field bytes, never over its stored bytes,
// so records equal under operator== always hash alike, padding or not.
#ifndef VL9738K_RF_SETTINGS_SETTINGS_HASHERS_H
#define VL9738K_RF_SETTINGS_SETTINGS_HASHERS_H

#include <stdint.h>

#include "../../platform/containers/HashSet.h"
#include "CrossSwitchSettings.h"
#include "FieldBytes.h"
#include "FrequencySettings.h"
#include "PowerSettings.h"
#include "RefClockSettings.h"

namespace vlhtl {

template <>
struct hasher<vl9738settings::FrequencySettings> {
  uint32_t operator()(vl9738settings::FrequencySettings value) const { return vl9738settings::hashFields(value); }
};

template <>
struct hasher<vl9738settings::RefClockSettings> {
  uint32_t operator()(vl9738settings::RefClockSettings value) const { return vl9738settings::hashFields(value); }
};

template <>
struct hasher<vl9738settings::PowerSettings> {
  uint32_t operator()(vl9738settings::PowerSettings value) const { return vl9738settings::hashFields(value); }
};

template <>
struct hasher<vl9738settings::CrossSwitchSettings> {
  uint32_t operator()(vl9738settings::CrossSwitchSettings value) const { return vl9738settings::hashFields(value); }
};

}  // namespace vlhtl

#endif
