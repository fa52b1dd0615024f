// The table of settling values a frequency record carries for each of the
// two settling timers: entry i applies when change group i of the frequency
// primitive changes, and a timer gets the largest entry among the groups
// that changed.
#ifndef VL9738K_RF_SETTINGS_SETTLING_TIMES_H
#define VL9738K_RF_SETTINGS_SETTLING_TIMES_H

#include <stdint.h>

namespace vl9738settings {

struct SettlingTimes {
  static constexpr uint32_t kCount = 9;

  uint32_t time[kCount];

  constexpr SettlingTimes() : time{} {}
  constexpr SettlingTimes(uint32_t t0, uint32_t t1, uint32_t t2, uint32_t t3, uint32_t t4, uint32_t t5, uint32_t t6,
                          uint32_t t7, uint32_t t8)
      : time{t0, t1, t2, t3, t4, t5, t6, t7, t8} {}

  // The table is one field of its own: visitors see it whole.
  template <typename tSelf, typename tVisitor>
  static constexpr void visitFields(tSelf& s, tVisitor& v) {
    v.times(s);
  }

  bool operator==(const SettlingTimes& other) const {
    for (uint32_t i = 0; i < kCount; ++i) {
      if (time[i] != other.time[i]) return false;
    }
    return true;
  }
  bool operator!=(const SettlingTimes& other) const { return !(*this == other); }
};

// Raises the two running maxima to the given settling values.
inline void mergeSettlingTimes(uint32_t& max0, uint32_t& max1, uint32_t t0, uint32_t t1) {
  if (max0 < t0) max0 = t0;
  if (max1 < t1) max1 = t1;
}

}  // namespace vl9738settings

#endif
