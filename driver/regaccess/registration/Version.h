// The version of a register map or of the map description a client was
// built against. One packed word orders versions by plain unsigned
// comparison: major (bits 24-31) over minor (20-23) over update (16-19) over
// phase (14-15: d, a, b, f) over build (0-13). A build that needs more than
// 14 bits lives whole in a second word and leaves the packed bits 0.
#ifndef VL9738K_REGACCESS_REGISTRATION_VERSION_H
#define VL9738K_REGACCESS_REGISTRATION_VERSION_H

#include <stdint.h>

#include "driver/platform/status/tStatus.h"

namespace vlregitools {

class Version {
 public:
  using tStatus = nVLAPALS100::tStatus;

  // Room for the longest text `format` writes, its terminator included.
  static constexpr uint64_t kTextSize = 32;

  constexpr Version() : packed_(0), extendedBuild_(0) {}
  constexpr explicit Version(uint32_t packed) : packed_(packed), extendedBuild_(0) {}
  Version(uint32_t major, uint32_t minor, uint32_t update, uint32_t phase, uint32_t build, tStatus& status);
  // Dotted ("24.0.0f91") or compact ("100d0") text; null and "" are the zero
  // version.
  Version(const char* text, tStatus& status);
  ~Version() {}

  // The one zero version the registration layer compares against.
  static const Version& zero();

  void format(char* buffer, tStatus& status) const;
  uint32_t toPacked(tStatus& status) const;

  uint32_t getPacked() const { return packed_; }
  uint32_t getExtendedBuild() const { return extendedBuild_; }
  bool isZero() const { return packed_ == 0 && extendedBuild_ == 0; }

  bool operator==(const Version& other) const {
    return packed_ == other.packed_ && extendedBuild_ == other.extendedBuild_;
  }
  bool operator!=(const Version& other) const { return !(*this == other); }
  // Older: the packed words decide; only equal ones defer to the build word.
  bool operator<(const Version& other) const {
    return packed_ < other.packed_ || (packed_ == other.packed_ && extendedBuild_ < other.extendedBuild_);
  }
  bool operator>(const Version& other) const { return other < *this; }

  static uint32_t phaseCode(char letter, tStatus& status);
  static char phaseLetter(uint32_t code, tStatus& status);

 private:
  void pack(uint64_t major, uint64_t minor, uint64_t update, uint64_t phase, uint64_t build, tStatus& status);
  void parse(const char* text, tStatus& status);
  void parseCompact(const char* text, tStatus& status);
  void parseDotted(const char* text, tStatus& status);
  void parsePhaseAndBuild(const char* cursor, const uint64_t (&numbers)[3], tStatus& status);

  uint32_t packed_;
  uint32_t extendedBuild_;
};

}  // namespace vlregitools

#endif
