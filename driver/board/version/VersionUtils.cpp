#include "VersionUtils.h"

#include "driver/board/status/BoardSites.h"
#include "driver/board/status/DeviceStatusCodes.h"

namespace nVL9738K_24_0 {
namespace {

using nVLAPALS100::tStatus;

constexpr uint32_t kMajorLimit = 255;
constexpr uint32_t kMinorLimit = 15;
constexpr uint32_t kUpdateLimit = 15;
constexpr uint32_t kBuildLimit = 16383;

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// One number: "0" alone, or 1-9 followed by digits, at most `limit`.
// Stops counting once past the limit, so a long run of digits cannot wrap.
bool parseNumber(const char*& text, uint32_t limit, uint32_t& value) {
  if (!isDigit(*text)) return false;
  if (*text == '0') {
    ++text;
    value = 0;
    return !isDigit(*text);
  }
  value = 0;
  while (isDigit(*text)) {
    value = value * 10 + static_cast<uint32_t>(*text - '0');
    if (value > limit) return false;
    ++text;
  }
  return true;
}

bool parsePhase(const char*& text, uint32_t& phase) {
  static constexpr char kLetters[] = {'d', 'a', 'b', 'f'};
  for (uint32_t i = 0; i < sizeof kLetters; ++i) {
    if (*text == kLetters[i]) {
      phase = i;
      ++text;
      return true;
    }
  }
  return false;
}

bool expect(const char*& text, char c) {
  if (*text != c) return false;
  ++text;
  return true;
}

// The address may sit at any byte of a packed record.
template <typename tValue>
uint64_t readAs(const void* address) {
  tValue value;
  __builtin_memcpy(&value, address, sizeof value);
  return value;
}

void fail(tStatus& status, int32_t code, uint64_t line) { status.setCode(code, VL_SITE_AT(sites::kUtils, line)); }

}  // namespace

uint32_t parseVersionString(const char* text, tStatus& status) {
  if (status.isFatal()) return 0;
  uint32_t major = 0, minor = 0, update = 0, phase = 0, build = 0;
  const char* at = text;
  const bool parsed = at != nullptr && parseNumber(at, kMajorLimit, major) && expect(at, '.') &&
                      parseNumber(at, kMinorLimit, minor) && expect(at, '.') && parseNumber(at, kUpdateLimit, update) &&
                      parsePhase(at, phase) && parseNumber(at, kBuildLimit, build);
  if (!parsed) {
    status.setCode(nVLAPALS100::kStatusInvalidParameter, VL_SITE_AT(sites::kUtils, sites::lines::kVersionText));
    return 0;
  }
  return major << 24 | minor << 20 | update << 16 | phase << 14 | build;
}

void checkVersionRange(uint32_t oldest, uint32_t current, uint32_t supportedLow, uint32_t supportedHigh, bool isFpga,
                       tStatus& status) {
  if (status.isFatal()) return;
  namespace lines = sites::lines;
  if (current < oldest) {
    fail(status, codes::kComponentRangeEmpty, lines::kComponentRangeEmpty);
  } else if (supportedHigh < supportedLow) {
    fail(status, codes::kInvalidArgument, lines::kDriverRangeEmpty);
  } else if (oldest > supportedHigh) {
    if (isFpga) {
      fail(status, codes::kFpgaNeedsNewerSoftware, lines::kFpgaNeedsNewerSoftware);
    } else {
      fail(status, codes::kDriverNeedsNewerSoftware, lines::kDriverNeedsNewerSoftware);
    }
  } else if (current < supportedLow) {
    if (isFpga) {
      fail(status, codes::kFpgaTooOld, lines::kFpgaTooOld);
    } else {
      fail(status, codes::kDriverTooOld, lines::kDriverTooOld);
    }
  }
}

uint64_t readValueByWidth(const void* address, uint32_t width, tStatus& status) {
  if (status.isFatal()) return 0;
  switch (width) {
    case 1:
      return readAs<uint8_t>(address);
    case 2:
      return readAs<uint16_t>(address);
    case 4:
      return readAs<uint32_t>(address);
    default:
      status.setCode(nVLAPALS100::kStatusBadSelector, VL_SITE_AT(sites::kUtils, sites::lines::kValueWidth));
      return 0;
  }
}

bool isVersionMismatchStatus(const tStatus& status) {
  return status.getCode() == codes::kDriverTooOld || status.getCode() == codes::kDriverNeedsNewerSoftware;
}

}  // namespace nVL9738K_24_0
