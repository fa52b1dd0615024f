// Status codes of the board's device code, held as negative 32-bit values.
#ifndef VL9738K_BOARD_STATUS_DEVICESTATUSCODES_H
#define VL9738K_BOARD_STATUS_DEVICESTATUSCODES_H

#include <stdint.h>

namespace nVL9738K_24_0::codes {

constexpr int32_t code(uint32_t value) { return static_cast<int32_t>(value); }

// A component's own version range is empty (its oldest above its current).
inline constexpr int32_t kComponentRangeEmpty = code(0xBFFA9024);
// The driver is older than the oldest it supports.
inline constexpr int32_t kDriverTooOld = code(0xBFFA9023);
inline constexpr int32_t kDriverNeedsNewerSoftware = code(0xBFFA9025);
inline constexpr int32_t kFpgaTooOld = code(0xBFFA902C);
inline constexpr int32_t kFpgaNeedsNewerSoftware = code(0xBFFA902D);
// The board's data or state does not check out.
inline constexpr int32_t kBoardVerificationFailed = code(0xBFFA9176);
inline constexpr int32_t kInvalidArgument = code(0xBFFA9178);
// The board was powered down after an over-temperature reading.
inline constexpr int32_t kOverTemperatureShutdown = code(0xBFFA9046);

// A successful read past the end of a byte stream: the value reads as 0.
inline constexpr int64_t kWarningReadPastEnd = 52012;

}  // namespace nVL9738K_24_0::codes

#endif
