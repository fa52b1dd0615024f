// Status codes of the register-map registration layer and its version
// records, and the source names its failures publish.
#ifndef VL9738K_REGACCESS_REGISTRATION_CODES_H
#define VL9738K_REGACCESS_REGISTRATION_CODES_H

#include <stdint.h>

namespace vlregitools {

enum : int64_t {
  kStatusClientVersionTooOld = -240000,
  kStatusVersionMalformed = -240008,
  kStatusClientVersionUnexpected = -240022,
  kStatusClientVersionMissing = -240023,
  kStatusRegistrationNotFound = -240024,
  kStatusVersionOutOfRange = -240026,
  kStatusRegistrationNullArgument = -240031,
  kStatusVersionNeedsExtendedBuild = -240046,
  // A warning: the client describes a newer map than this one; access goes on.
  kWarningClientVersionNewer = 240000,
};

namespace sites {

inline constexpr const char kVersion[] = "Version";
inline constexpr const char kRegistration[] = "Registration";
inline constexpr const char kDispatcherBase[] = "DispatcherBase";
inline constexpr const char kWrapperDispatcher[] = "WrapperDispatcher";
inline constexpr const char kARMDispatcher[] = "ARMDispatcher";

}  // namespace sites
}  // namespace vlregitools

#endif
