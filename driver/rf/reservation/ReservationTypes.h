// The names the reservation system hands out: a client (one session that
// reserves shared settings), a registered policy and a registered device
// activity. Each is a plain unsigned 32-bit token, compared as an unsigned
// number; 0 is never issued and marks "none".
#ifndef VL9738K_RF_RESERVATION_RESERVATION_TYPES_H
#define VL9738K_RF_RESERVATION_RESERVATION_TYPES_H

#include <stdint.h>

#include "../../platform/status/tStatus.h"

namespace rfyulreserve {

// Distinct types, so that a policy id can never be passed for a client id.
enum class ReservationClientID : uint32_t {};
enum class ReservationPolicyID : uint32_t {};
enum class DeviceActivityContextID : uint32_t {};

inline constexpr ReservationClientID kInvalidReservationClientID{0};
inline constexpr ReservationPolicyID kInvalidReservationPolicyID{0};
inline constexpr DeviceActivityContextID kInvalidDeviceActivityContextID{0};

template <typename tToken>
constexpr uint32_t tokenValue(tToken token) {
  return static_cast<uint32_t>(token);
}

// What a reserve answers for one policy: whether the value already on the
// hardware serves the client, or its settings still have to be committed.
using reservation_ReservationDirtiness = uint32_t;
inline constexpr reservation_ReservationDirtiness kSettingsMustBeCommitted = 0;
inline constexpr reservation_ReservationDirtiness kCommittedSettingsServe = 1;

// Told, during a deferred release, whether the client's engine was idle.
using ReservationIdleCallback = void (*)(ReservationClientID client, bool idle, nVLAPALS100::tStatus& status);

}  // namespace rfyulreserve

#endif
