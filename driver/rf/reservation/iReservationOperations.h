// The client-facing halves of the reservation machinery: what a
// reservation client may ask of the reservation manager, where a deferred
// release finds the engine behind a context id, and the read-only side of
// the metaresource lists.
#ifndef VL9738K_RF_RESERVATION_IRESERVATION_OPERATIONS_H
#define VL9738K_RF_RESERVATION_IRESERVATION_OPERATIONS_H

#include <stdint.h>

#include "../../platform/containers/Vector.h"
#include "../../platform/status/tStatus.h"
#include "ReservationTypes.h"
#include "iDeviceActivityAccess.h"

namespace rfyulreserve {

// Filled only when a reservation is refused: the policy that refused (or
// could not be found) and the client it named as its holder, else 0.
struct ReserveErrorInfo {
  uint32_t failedPolicyID;
  uint32_t conflictingClientID;
};

}  // namespace rfyulreserve

namespace rfyulreserve_impl {

using PolicyIDList = vlhtl::Vector<rfyulreserve::ReservationPolicyID>;
using DirtinessList = vlhtl::Vector<rfyulreserve::reservation_ReservationDirtiness>;

class iReservationOperations {
 public:
  virtual ~iReservationOperations() = default;
  virtual void reserveWithErrorInfo(rfyulreserve::ReservationClientID client, const PolicyIDList& policies,
                                    DirtinessList& dirtiness, rfyulreserve::ReserveErrorInfo& errorInfo,
                                    nVLAPALS100::tStatus& status) = 0;
  virtual rfyulreserve::reservation_ReservationDirtiness reserve(rfyulreserve::ReservationClientID client,
                                                                 const PolicyIDList& policies,
                                                                 rfyulreserve::ReserveErrorInfo& errorInfo,
                                                                 nVLAPALS100::tStatus& status) = 0;
  virtual void release(rfyulreserve::ReservationClientID client, const PolicyIDList& policies,
                       nVLAPALS100::tStatus& status) = 0;
  virtual void deferReleaseUntilIdle(rfyulreserve::ReservationClientID client,
                                     rfyulreserve::DeviceActivityContextID context, const PolicyIDList& policies,
                                     nVLAPALS100::tStatus& status) = 0;
  virtual void releaseClient(rfyulreserve::ReservationClientID client) = 0;
  virtual void releaseIfIdle(nVLAPALS100::tStatus& status) = 0;
  virtual void deviceReset() = 0;
  virtual void setIsListModeActive(rfyulreserve::ReservationClientID client, bool active,
                                   nVLAPALS100::tStatus& status) = 0;
};

class iDeviceActivityAccessProvider {
 public:
  virtual ~iDeviceActivityAccessProvider() = default;
  // Null, with the provider's not-found code, for an unknown context.
  virtual rfyulreserve::iDeviceActivityAccess* getDeviceActivity(rfyulreserve::DeviceActivityContextID context,
                                                                 nVLAPALS100::tStatus& status) = 0;
};

class iMetaresourceLookup {
 public:
  virtual ~iMetaresourceLookup() = default;
  virtual uint64_t count(rfyulreserve::ReservationPolicyID id, nVLAPALS100::tStatus& status) = 0;
  virtual void copyOut(rfyulreserve::ReservationPolicyID id, uint64_t maxCount, PolicyIDList& out,
                       nVLAPALS100::tStatus& status) = 0;
};

}  // namespace rfyulreserve_impl

#endif
