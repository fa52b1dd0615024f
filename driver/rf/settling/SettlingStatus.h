// Codes and published source sites of the settling-time tables.
#ifndef VL9738K_RF_SETTLING_SETTLING_STATUS_H
#define VL9738K_RF_SETTLING_SETTLING_STATUS_H

#include <stdint.h>

namespace cbak {

// The handler was asked to write a settling time but has no control for
// that timer (before the engine resources exist, or after they went away).
inline constexpr int64_t kStatusSettlingControlMissing = static_cast<int32_t>(0xBFFA8710u);

namespace sites {

inline constexpr const char kSettlingTimerHandler[] = "source/shared/SettlingTimerHandler/SettlingTimerHandler";
inline constexpr unsigned kProgramControl0Line = 86;
inline constexpr unsigned kProgramControl1Line = 95;
inline constexpr unsigned kApplyFixedKeyLine = 114;
inline constexpr unsigned kApplyNoRisingCurvesLine = 129;
inline constexpr unsigned kApplyNoFallingCurvesLine = 134;
inline constexpr unsigned kSetTimersControl0Line = 159;
inline constexpr unsigned kSetTimersControl1Line = 168;
inline constexpr unsigned kRegisterFirstDeltaKeyLine = 190;
inline constexpr unsigned kRegisterSecondDeltaKeyLine = 214;
inline constexpr unsigned kRegisterCurveFixedKeyLine = 246;

inline constexpr const char kDeltaSettlingData[] = "source/shared/SettlingTimerHandler/DeltaSettlingData";
inline constexpr unsigned kTagMismatchLine = 38;
inline constexpr unsigned kEmptyCurveLine = 65;

inline constexpr const char kMemoryManagedMap[] = "CBA2Common/MemoryManagedMap";
inline constexpr unsigned kKeyPresentLine = 78;

}  // namespace sites
}  // namespace cbak

#endif
