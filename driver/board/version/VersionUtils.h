// Version numbers of the board's components in one packed form,
// major << 24 | minor << 20 | update << 16 | phase << 14 | build, which
// compares as a plain unsigned integer (phases d, a, b, f count 0 to 3, so a
// later phase of one update is the larger number), and the rule that decides
// whether what a component offers overlaps what the driver accepts.
#ifndef VL9738K_BOARD_VERSION_VERSIONUTILS_H
#define VL9738K_BOARD_VERSION_VERSIONUTILS_H

#include <stdint.h>

#include "driver/platform/status/tStatus.h"

namespace nVL9738K_24_0 {

// "major.minor.update<phase>build", e.g. "1.0.0f0"; whatever follows the
// build's last digit is not examined. Any violation: -52005 and 0.
uint32_t parseVersionString(const char* text, nVLAPALS100::tStatus& status);

// [oldest, current] is what the component offers, [supportedLow,
// supportedHigh] what the driver accepts; any overlap passes. Otherwise
// the first rule that applies names the fault (empty ranges first).
void checkVersionRange(uint32_t oldest, uint32_t current, uint32_t supportedLow, uint32_t supportedHigh, bool isFpga,
                       nVLAPALS100::tStatus& status);

// The value at `address` read with a width of 1, 2 or 4 bytes, zero-extended;
// any other width is -52003 and 0.
uint64_t readValueByWidth(const void* address, uint32_t width, nVLAPALS100::tStatus& status);

// True for the two codes that say the driver and the board's software
// disagree on the driver's version.
bool isVersionMismatchStatus(const nVLAPALS100::tStatus& status);

}  // namespace nVL9738K_24_0

#endif
