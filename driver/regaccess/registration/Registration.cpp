#include "Registration.h"

#include "RegistrationCodes.h"

namespace vlregitools {
namespace {

using nVLAPALS100::tStatus;

namespace lines {
inline constexpr uint64_t kVersionMissing = 82;
inline constexpr uint64_t kVersionUnexpected = 96;
inline constexpr uint64_t kTooOld = 114;
inline constexpr uint64_t kNewer = 121;
}  // namespace lines

void record(int64_t code, uint64_t line, tStatus& status) {
  status.setCode(code, VL_SITE_AT(sites::kRegistration, line));
}

}  // namespace

Registration::Registration(const char* version, const char* oldestCompatibleVersion, tStatus& status)
    : supportsVersioning_(version != nullptr && version[0] != '\0' ? 1 : 0),
      version_(version, status),
      oldestCompatibleVersion_(oldestCompatibleVersion, status),
      mutex_(status) {}

void Registration::checkVersion(const Version& client, tStatus& status) const {
  if (status.isFatal()) return;
  const bool versioned = getSupportsVersioning();
  if (client == Version::zero()) {
    if (versioned) record(kStatusClientVersionMissing, lines::kVersionMissing, status);
    return;
  }
  if (!versioned) {
    record(kStatusClientVersionUnexpected, lines::kVersionUnexpected, status);
  } else if (client < getOldestCompatibleVersion()) {
    record(kStatusClientVersionTooOld, lines::kTooOld, status);
  } else if (client > getVersion()) {
    record(kWarningClientVersionNewer, lines::kNewer, status);
  }
}

}  // namespace vlregitools
