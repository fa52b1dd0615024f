// The reservation requests that move arrays and strings between user
// memory and kernel vectors. The request interface has checked the block
// sizes, seeded the out fields and admitted the request; each operation
// here checks that the session has a client (else -52010), copies what it
// needs in, calls the client and copies the answers out. User addresses
// and sizes come straight from user mode: every kernel copy is bounded
// before anything is allocated for it.
#ifndef VL9738K_RF_RESERVATION_RESERVATION_IOCTL_IMPL_H
#define VL9738K_RF_RESERVATION_RESERVATION_IOCTL_IMPL_H

#include <stdint.h>

#include "../../platform/device/DeviceTypes.h"
#include "../../platform/memory/UserBound.h"
#include "ReservationResources.h"
#include "ReservationSessionSlot.h"

namespace reservationHal {

// Longest policy list a request may carry: far above the board's six
// policies, low enough that a hostile count never becomes a huge kernel
// allocation.
inline constexpr uint64_t kMaxPolicyListCount = nVLAPAL000::kMaxUserListEntries;

class ReservationIoctlImpl {
  using tStatus = nVLAPALS100::tStatus;
  using tEventDescriptor = nVLAPAL000::tEventDescriptor;
  using tSlot = ReservationSessionSlot;

 public:
  ReservationIoctlImpl() = delete;

  // The session's client, or null with -52010.
  static rfyulreserve_impl::ReservationClient* requireClient(tSlot& session, tStatus& status);

  // `size` is the buffer's capacity in; the descriptor's length out (0
  // after a failure). No terminating NUL is written.
  static void reservation_findReservationPolicyIDDescriptor(tEventDescriptor& event, tSlot& session, uint32_t policyID,
                                                            uint64_t buffer, uint32_t& size, tStatus& status);
  static void reservation_findReservationClientIDDescriptor(tEventDescriptor& event, tSlot& session, uint32_t clientID,
                                                            uint64_t buffer, uint32_t& size, tStatus& status);
  // The name is exactly `size` bytes (a trailing NUL included); `id` is
  // what the lookup found, 0 when it found nothing.
  static void reservation_findReservationPolicyID(tEventDescriptor& event, tSlot& session, uint64_t buffer,
                                                  uint32_t size, uint32_t& id, tStatus& status);
  static void reservation_findDeviceActivityContextID(tEventDescriptor& event, tSlot& session, uint64_t buffer,
                                                      uint32_t size, uint32_t& id, tStatus& status);
  // `count` is the buffer's capacity in ids in, the list's length out.
  static void reservation_findReservableChildIDs(tEventDescriptor& event, tSlot& session, uint32_t policyID,
                                                 uint32_t& count, uint64_t buffer, tStatus& status);
  // The per-policy answers go back after a refusal too (as many words as
  // the list had): they tell the caller how far the reservation came.
  static void reservation_reserve(tEventDescriptor& event, tSlot& session, uint32_t count, uint64_t policyIDs,
                                  uint64_t dirtiness, rfyulreserve::ReserveErrorInfo& errorInfo, tStatus& status);
  static void reservation_release(tEventDescriptor& event, tSlot& session, uint32_t count, uint64_t policyIDs,
                                  tStatus& status);
  static void reservation_deferReleaseUntilIdle(tEventDescriptor& event, tSlot& session, uint32_t contextID,
                                                uint32_t count, uint64_t policyIDs, tStatus& status);
  static void reservation_setReservationCache(tEventDescriptor& event, tSlot& session, uint32_t count,
                                              uint64_t policyIDs, tStatus& status);
  // Give the session its client: -52031 when it has one already. A client
  // that could not take an id is not kept, so the session may try again.
  static void reservation_setDescriptor(tEventDescriptor& event, tSlot& session,
                                        rfyulreserve_impl::iReservationClientFactory& clients, uint64_t buffer,
                                        uint32_t size, tStatus& status);
  static void reservation_setDescriptorAndClientID(tEventDescriptor& event, tSlot& session,
                                                   rfyulreserve_impl::iReservationClientFactory& clients,
                                                   uint64_t buffer, uint32_t size, uint32_t clientID, tStatus& status);

 private:
  static void setDescriptor(tEventDescriptor& event, tSlot& session,
                            rfyulreserve_impl::iReservationClientFactory& clients, uint64_t buffer, uint32_t size,
                            const uint32_t* attachTo, tStatus& status);
  static void findDescriptor(tEventDescriptor& event, tSlot& session, uint32_t id, bool ofClient, uint64_t buffer,
                             uint32_t& size, tStatus& status);
  static void findId(tEventDescriptor& event, tSlot& session, uint64_t buffer, uint32_t size, bool ofActivity,
                     uint32_t& id, tStatus& status);
};

}  // namespace reservationHal

#endif
