// Codes and published source sites of the reservation library.
#ifndef VL9738K_RF_RESERVATION_RESERVATION_STATUS_H
#define VL9738K_RF_RESERVATION_RESERVATION_STATUS_H

#include <stdint.h>

namespace rfyulreserve_impl {

// The device passes this one code for every argument, lookup and
// bookkeeping failure of the library.
inline constexpr int32_t kReservationInvalidCode = static_cast<int32_t>(0xBFFA9178u);
// Two clients holding a reservation ask for frequency, power or
// cross-switch values that cannot both be served.
inline constexpr int32_t kReservationConflictCode = static_cast<int32_t>(0xBFFA9196u);
// Two clients holding the reference clock ask for different values.
inline constexpr int32_t kRefClockConflictCode = static_cast<int32_t>(0xBFFA8711u);

// The longest descriptor a token may carry, in characters.
inline constexpr uint64_t kMaxDescriptorLength = 256;

namespace sites {

inline constexpr const char kTokenToStringMap[] = "TokenToStringMap";
inline constexpr const char kTokenToStringBiMap[] = "TokenToStringBiMap";
inline constexpr const char kTokenManager[] = "TokenManager";
inline constexpr const char kTokenManagerOneWay[] = "TokenManagerOneWay";
inline constexpr const char kExternalTokenManager[] = "ExternalTokenManager";
inline constexpr const char kTokenManagerUtilities[] = "TokenManagerUtilities";

inline constexpr const char kPolicyBase[] = "SharedReservationPolicyBase";
inline constexpr unsigned kNullActivityLine = 238;
inline constexpr unsigned kNullCallbackLine = 244;
inline constexpr unsigned kNoRecordsLine = 250;
inline constexpr unsigned kNotReservedLine = 258;
inline constexpr unsigned kAlreadyDeferredLine = 264;
inline constexpr unsigned kClientNotFoundLine = 326;
inline constexpr unsigned kInvalidClientLine = 427;

inline constexpr const char kSuggestedPolicy[] = "SharedReservationSuggestedSettingsDeployPolicy";
inline constexpr unsigned kSuggestedConflictLine = 221;
inline constexpr const char kSinglePolicy[] = "SharedReservationSingleSettingsDeployPolicy";
inline constexpr unsigned kSingleConflictLine = 88;
inline constexpr const char kFrequencyPolicy[] = "FrequencyPolicy";
inline constexpr unsigned kFrequencyConflictLine = 199;

}  // namespace sites
}  // namespace rfyulreserve_impl

#endif
