// What the registers a list engine's recordings wrote belong to, as far as
// the settings that share them care: a list run rewrites them behind the
// shadows, so the owners of each group must not take the hardware as
// current afterwards.
#ifndef VL9738K_LISTMODE_SNOOPING_RECORDEDREGISTERGROUPS_H
#define VL9738K_LISTMODE_SNOOPING_RECORDEDREGISTERGROUPS_H

#include <stdint.h>

namespace SnoopingManager {

// The recorded LO path's own DAC and board control.
inline constexpr uint32_t kRecordedPath = 1u << 0;
// The Ref CPLD's reference registers: the oscillator, the clock path, the
// PLL and the distributor.
inline constexpr uint32_t kRecordedReference = 1u << 1;
// The Ref CPLD's reference select of LO0 and of LO1.
inline constexpr uint32_t kRecordedLo0Select = 1u << 2;
inline constexpr uint32_t kRecordedLo1Select = 1u << 3;

}  // namespace SnoopingManager

#endif
