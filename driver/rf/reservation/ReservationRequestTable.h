// The reservation requests of the main interface: code, block sizes and
// how the request entry guard admits them. The request interface decodes
// a code, checks that both blocks have exactly these sizes, takes the
// guard at this level (recording list-mode snooping only where marked),
// and hands the blocks to ReservationIoctlImpl.
#ifndef VL9738K_RF_RESERVATION_RESERVATION_REQUEST_TABLE_H
#define VL9738K_RF_RESERVATION_RESERVATION_REQUEST_TABLE_H

#include <stdint.h>

namespace reservationHal {

struct ReservationRequest {
  uint32_t code;
  const char* name;
  uint32_t inSize;   // arguments at natural alignment, then the caller's status
  uint32_t outSize;  // results, then the final status
  uint8_t guardLevel;
  bool snooping;
};

inline constexpr uint32_t kReservationRequestBase = 0x00205500u;
inline constexpr uint32_t kReservationRequestCount = 18;

// Indexed by the request number (the code's low byte).
inline constexpr ReservationRequest kReservationRequests[kReservationRequestCount] = {
    {0x00205500u, "reservation_findReservationPolicyIDDescriptor", 24, 8, 4, false},
    {0x00205501u, "reservation_findReservationClientIDDescriptor", 24, 8, 4, false},
    {0x00205502u, "reservation_findReservationPolicyID", 24, 8, 4, false},
    {0x00205503u, "reservation_findDeviceActivityContextID", 24, 8, 4, false},
    {0x00205504u, "reservation_getReservationClientID", 8, 8, 4, false},
    {0x00205505u, "reservation_getNumOfReservableChildIDs", 12, 8, 4, false},
    {0x00205506u, "reservation_findReservableChildIDs", 24, 8, 4, false},
    {0x00205507u, "reservation_reserve", 40, 12, 4, false},
    {0x00205508u, "reservation_release", 24, 4, 4, false},
    {0x00205509u, "reservation_deferReleaseUntilIdle", 24, 4, 4, false},
    {0x0020550Au, "reservation_setDescriptor", 16, 4, 4, true},
    {0x0020550Bu, "reservation_setReservationCache", 24, 4, 4, false},
    {0x0020550Cu, "reservation_reserveCache", 4, 16, 4, false},
    {0x0020550Du, "reservation_releaseCache", 4, 4, 4, false},
    {0x0020550Eu, "reservation_deferReleaseCacheUntilIdle", 8, 4, 4, false},
    {0x0020550Fu, "reservation_setDescriptorAndClientID", 24, 4, 4, true},
    {0x00205510u, "reservation_setIsListModeActive", 8, 4, 4, false},
    {0x00205511u, "reservation_releaseIdleResources", 4, 4, 4, false},
};

// Null for a code that is not a reservation request.
constexpr const ReservationRequest* findReservationRequest(uint32_t code) {
  const uint32_t number = code - kReservationRequestBase;
  return code >= kReservationRequestBase && number < kReservationRequestCount ? &kReservationRequests[number] : nullptr;
}

}  // namespace reservationHal

#endif
