// Device codes of the LO paths' primitives.
#ifndef VL9738K_RF_PRIMITIVES_LO_LO_STATUS_H
#define VL9738K_RF_PRIMITIVES_LO_LO_STATUS_H

#include <stdint.h>

namespace nVL9738K_24_0 {

// The DAC's start-up handshake never reported done: the board check failed.
inline constexpr int32_t kStatusDacStartUpFailed = static_cast<int32_t>(0xBFFA9176u);
// An argument the device cannot use (zero temperature readings).
inline constexpr int32_t kStatusLoInvalidArgument = static_cast<int32_t>(0xBFFA9178u);
// More temperature readings than a 32-bit sum and divisor can carry.
inline constexpr int32_t kStatusTooManyReadings = static_cast<int32_t>(0xBFFA916Eu);

}  // namespace nVL9738K_24_0

#endif
