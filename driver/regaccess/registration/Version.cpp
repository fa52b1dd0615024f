#include "Version.h"

#include "RegistrationCodes.h"
#include "driver/platform/text/Format.h"

namespace vlregitools {
namespace {

using nVLAPALS100::tStatus;

// Published source lines of the version record's failures.
namespace lines {
inline constexpr uint64_t kToPacked = 119;
inline constexpr uint64_t kShortCompact = 75;
inline constexpr uint64_t kOutOfRange = 174;
inline constexpr uint64_t kPhaseLetter = 201;
inline constexpr uint64_t kPhaseCode = 217;
inline constexpr uint64_t kCompactDigit = 228;
inline constexpr uint64_t kNumber = 247;
inline constexpr uint64_t kMissingDot = 265;
inline constexpr uint64_t kTrailing = 287;
}  // namespace lines

void fail(int64_t code, uint64_t line, tStatus& status) { status.setCode(code, VL_SITE_AT(sites::kVersion, line)); }

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Client text comes from user mode: a run of digits of any length must
// neither overflow nor wrap into an acceptable number, so it saturates far
// above every field's range.
constexpr uint64_t kNumberCeiling = uint64_t{1} << 40;

bool readNumber(const char*& cursor, uint64_t& value) {
  if (!isDigit(*cursor)) return false;
  value = 0;
  for (; isDigit(*cursor); ++cursor) {
    value = value * 10 + static_cast<uint64_t>(*cursor - '0');
    if (value > kNumberCeiling) value = kNumberCeiling;
  }
  return true;
}

bool containsDot(const char* text) {
  for (; *text != '\0'; ++text) {
    if (*text == '.') return true;
  }
  return false;
}

uint64_t lengthAtMost(const char* text, uint64_t limit) {
  uint64_t length = 0;
  while (length <= limit && text[length] != '\0') ++length;
  return length;
}

constexpr uint32_t kBuildBits = 14;
constexpr uint32_t kBuildMask = (1u << kBuildBits) - 1;

}  // namespace

Version::Version(uint32_t major, uint32_t minor, uint32_t update, uint32_t phase, uint32_t build, tStatus& status)
    : Version() {
  pack(major, minor, update, phase, build, status);
}

Version::Version(const char* text, tStatus& status) : Version() { parse(text, status); }

namespace {
// Built with the module's static objects; its destructor runs at unload.
const Version kZeroVersion;
}  // namespace

const Version& Version::zero() { return kZeroVersion; }

uint32_t Version::phaseCode(char letter, tStatus& status) {
  if (status.isFatal()) return 0;
  switch (letter) {
    case 'd':
      return 0;
    case 'a':
      return 1;
    case 'b':
      return 2;
    case 'f':
      return 3;
    default:
      fail(kStatusVersionMalformed, lines::kPhaseLetter, status);
      return 0;
  }
}

char Version::phaseLetter(uint32_t code, tStatus& status) {
  if (status.isFatal()) return '\0';
  static constexpr char kLetters[] = {'d', 'a', 'b', 'f'};
  if (code < sizeof kLetters) return kLetters[code];
  fail(kStatusVersionMalformed, lines::kPhaseCode, status);
  return '\0';
}

// A field out of range leaves the record as it was.
void Version::pack(uint64_t major, uint64_t minor, uint64_t update, uint64_t phase, uint64_t build, tStatus& status) {
  if (status.isFatal()) return;
  if (major > 255 || minor > 15 || update > 15 || phase > 3 || build > UINT32_MAX) {
    fail(kStatusVersionOutOfRange, lines::kOutOfRange, status);
    return;
  }
  const uint32_t fields = static_cast<uint32_t>(major << 24 | minor << 20 | update << 16 | phase << kBuildBits);
  if (build <= kBuildMask) {
    packed_ = fields | static_cast<uint32_t>(build);
    extendedBuild_ = 0;
  } else {
    packed_ = fields;
    extendedBuild_ = static_cast<uint32_t>(build);
  }
}

void Version::parse(const char* text, tStatus& status) {
  if (status.isFatal() || text == nullptr || *text == '\0') return;
  if (containsDot(text)) {
    parseDotted(text, status);
  } else {
    parseCompact(text, status);
  }
}

// "MmuPbuild": one digit each for major, minor and update, the phase letter,
// then the build.
void Version::parseCompact(const char* text, tStatus& status) {
  if (lengthAtMost(text, 4) <= 4) {
    fail(kStatusVersionMalformed, lines::kShortCompact, status);
    return;
  }
  uint64_t digits[3] = {};
  for (int i = 0; i < 3; ++i) {
    if (!isDigit(text[i])) {
      fail(kStatusVersionMalformed, lines::kCompactDigit, status);
      return;
    }
    digits[i] = static_cast<uint64_t>(text[i] - '0');
  }
  parsePhaseAndBuild(text + 3, digits, status);
}

// "major.minor.update" followed by the phase letter and the build.
void Version::parseDotted(const char* text, tStatus& status) {
  const char* cursor = text;
  uint64_t numbers[3] = {};
  for (int i = 0; i < 3; ++i) {
    if (!readNumber(cursor, numbers[i])) {
      fail(kStatusVersionMalformed, lines::kNumber, status);
      return;
    }
    if (i < 2 && *cursor++ != '.') {
      fail(kStatusVersionMalformed, lines::kMissingDot, status);
      return;
    }
  }
  parsePhaseAndBuild(cursor, numbers, status);
}

// Both forms end alike: the phase letter, the build number, nothing more.
void Version::parsePhaseAndBuild(const char* cursor, const uint64_t (&numbers)[3], tStatus& status) {
  const uint32_t phase = phaseCode(*cursor, status);
  if (status.isFatal()) return;
  ++cursor;
  uint64_t build = 0;
  if (!readNumber(cursor, build)) {
    fail(kStatusVersionMalformed, lines::kNumber, status);
    return;
  }
  if (*cursor != '\0') {
    fail(kStatusVersionMalformed, lines::kTrailing, status);
    return;
  }
  pack(numbers[0], numbers[1], numbers[2], phase, build, status);
}

void Version::format(char* buffer, tStatus& status) const {
  if (status.isFatal()) return;
  const char letter = phaseLetter((packed_ >> kBuildBits) & 3u, status);
  const uint32_t build = extendedBuild_ != 0 ? extendedBuild_ : packed_ & kBuildMask;
  nVLAPAL000::formatTextBounded(buffer, kTextSize, "%u.%u.%u%c%u", packed_ >> 24, (packed_ >> 20) & 0xFu,
                                (packed_ >> 16) & 0xFu, letter, build);
}

uint32_t Version::toPacked(tStatus& status) const {
  if (status.isFatal()) return 0;
  if (extendedBuild_ == 0) return packed_;
  fail(kStatusVersionNeedsExtendedBuild, lines::kToPacked, status);
  return 0;
}

}  // namespace vlregitools
