// Codes and source sites of the reference-clock path, the board
// temperature and the cross switch.
#ifndef VL9738K_RF_PRIMITIVES_REFCLK_REF_CLOCK_STATUS_H
#define VL9738K_RF_PRIMITIVES_REFCLK_REF_CLOCK_STATUS_H

#include <stdint.h>

namespace nVL9738K_24_0 {

// The HMC703 never showed its chip id: the board check failed.
inline constexpr int64_t kStatusBoardCheckFailed = static_cast<int32_t>(0xBFFA9176u);
// The PLL did not report lock in time.
inline constexpr int64_t kStatusPllLockTimeout = static_cast<int32_t>(0xBFFA90E2u);
// The path's select bit read back clear after it was written.
inline constexpr int64_t kStatusReferencePathNotSelected = static_cast<int32_t>(0xBFFA90E1u);
// The FPGA did not report the reference output aligned in time.
inline constexpr int64_t kStatusRefOutAlignmentTimeout = static_cast<int32_t>(0xBFFA90B0u);
// More temperature readings than a 32-bit sum can hold at the hottest code.
inline constexpr int64_t kStatusTooManyReadings = static_cast<int32_t>(0xBFFA916Eu);
// Zero readings asked for.
inline constexpr int64_t kStatusNoReadings = static_cast<int32_t>(0xBFFA9178u);

namespace refclk_sites {

inline constexpr const char kRefClockPrimitive[] = "source/vl9738k/RefClockPrimitive";
inline constexpr unsigned kUnknownSourceLine = 212;
inline constexpr unsigned kPathNotSelectedLine = 268;
inline constexpr unsigned kChipIdLine = 431;

inline constexpr const char kTemperaturePrimitive[] = "source/vl9738k/TemperaturePrimitive";
inline constexpr unsigned kTooManyReadingsLine = 35;
inline constexpr unsigned kNoReadingsLine = 53;

inline constexpr const char kUtils[] = "source/vl9738k/vl9738Utils";
inline constexpr unsigned kCodeOutOfRangeLine = 33;

}  // namespace refclk_sites
}  // namespace nVL9738K_24_0

#endif
