// The one object per device that holds the whole reservation machinery:
// the device-activity manager, the reservation manager, the metaresource
// lists and the client-id manager over the composite idle tracker. It is
// built before any session exists and outlives every client, which hold
// plain pointers into it.
#ifndef VL9738K_RF_RESERVATION_RESERVATION_RESOURCES_H
#define VL9738K_RF_RESERVATION_RESERVATION_RESOURCES_H

#include <stdint.h>

#include "DeviceActivityAccessManager.h"
#include "ExternalTokenManager.h"
#include "ReservationClient.h"
#include "ReservationManager.h"
#include "ReservationPolicyMetaresourceManager.h"

namespace rfyulreserve_impl {

// The names under which the device registers its two engines, in this
// order, so that they get context ids 1 and 2.
inline constexpr const char kAcquisitionEngineDescriptor[] = "Acquisition Engine";
inline constexpr const char kGenerationEngineDescriptor[] = "Generation Engine";

// Idle callbacks handed to the policies for deferred releases. Reporting
// tells the tracker even after rejecting the invalid client, so the
// tracker's own answer is never skipped.
void reportClientIdleStatus(rfyulreserve::ReservationClientID client, bool idle, nVLAPALS100::tStatus& status);
void ignoreClientIdleStatus(rfyulreserve::ReservationClientID client, bool idle, nVLAPALS100::tStatus& status);

// The routing code's buffer-resizing callback: a new block of `newSize`
// bytes (null for 0) replaces `old`, whose contents are not kept. When
// the new block cannot be had, null comes back and `old` stays valid.
void* reallocateArray(void* old, uint64_t newSize);

// Where the reservation requests get a session's client made: the device
// hands its reservation composite on, or wraps it.
class iReservationClientFactory {
 public:
  // Null when no client object could be made; otherwise the client's id
  // (0 when it got none) tells whether it may be kept.
  virtual ReservationClient* createClient(const char* descriptor, nVLAPALS100::tStatus& status) = 0;
  virtual ReservationClient* attachClient(const char* descriptor, rfyulreserve::ReservationClientID id,
                                          nVLAPALS100::tStatus& status) = 0;

 protected:
  ~iReservationClientFactory() = default;
};

class ReservationResources : public iReservationClientFactory {
  using tStatus = nVLAPALS100::tStatus;

 public:
  ReservationResources(int32_t c1, int32_t c2, int32_t c3, int32_t c4, int32_t c5, int32_t c6, bool reportIdleStatus)
      : activities_(c1, c2, c3, c4),
        reservations_(&activities_, reportIdleStatus ? reportClientIdleStatus : ignoreClientIdleStatus, c1, c2, c3, c4),
        metaresources_(c3, c2, c5, c6),
        clientTokens_(c1, c2, c3, c4) {}
  ReservationResources(const ReservationResources&) = delete;
  ReservationResources& operator=(const ReservationResources&) = delete;

  // A client on the heap with a new id, or attached to `id`.
  ReservationClient* createClient(const char* descriptor, tStatus& status) override;
  ReservationClient* attachClient(const char* descriptor, rfyulreserve::ReservationClientID id,
                                  tStatus& status) override;

  DeviceActivityAccessManager& activities() { return activities_; }
  ReservationManager& reservations() { return reservations_; }
  ReservationPolicyMetaresourceManager& metaresources() { return metaresources_; }
  ExternalTokenManager<rfyulreserve::ReservationClientID>& clientTokens() { return clientTokens_; }

 private:
  DeviceActivityAccessManager activities_;
  ReservationManager reservations_;
  ReservationPolicyMetaresourceManager metaresources_;
  ExternalTokenManager<rfyulreserve::ReservationClientID> clientTokens_;
};

}  // namespace rfyulreserve_impl

#endif
