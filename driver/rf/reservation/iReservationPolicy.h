// A policy guards one shared setting of the board for all reservation
// clients. The reservation manager drives it through iReservationPolicy;
// the resource code that owns the setting also deploys the clients'
// values into it and records what was committed (iSettingsDeployPolicy).
#ifndef VL9738K_RF_RESERVATION_IRESERVATION_POLICY_H
#define VL9738K_RF_RESERVATION_IRESERVATION_POLICY_H

#include "../../platform/status/tStatus.h"
#include "ReservationTypes.h"
#include "iDeviceActivityAccess.h"

namespace rfyulreserve_impl {

class iReservationPolicy {
 public:
  virtual ~iReservationPolicy() = default;
  // On a refusal, `conflictingClient` names the holder that stands in the way.
  virtual void reserve(rfyulreserve::ReservationClientID client,
                       rfyulreserve::reservation_ReservationDirtiness& dirtiness,
                       rfyulreserve::ReservationClientID& conflictingClient, nVLAPALS100::tStatus& status) = 0;
  virtual void release(rfyulreserve::ReservationClientID client) = 0;
  virtual void releaseAll(rfyulreserve::ReservationClientID client) = 0;
  virtual void releaseIfIdle(nVLAPALS100::tStatus& status) = 0;
  virtual void deviceReset() = 0;
  virtual void deferReleaseUntilIdle(rfyulreserve::ReservationClientID client,
                                     const rfyulreserve::iDeviceActivityAccess* activity,
                                     rfyulreserve::ReservationIdleCallback callback, nVLAPALS100::tStatus& status) = 0;
  virtual void setIsListModeActive(rfyulreserve::ReservationClientID client, bool active,
                                   nVLAPALS100::tStatus& status) = 0;
  virtual const char* getDescriptor() const = 0;
};

template <typename tSettings>
class iSettingsDeployPolicy : public iReservationPolicy {
 public:
  virtual void deploySettings(rfyulreserve::ReservationClientID client, const tSettings& settings,
                              nVLAPALS100::tStatus& status) = 0;
  virtual void markSettingsCommitted(nVLAPALS100::tStatus& status) = 0;
  virtual void setCoercedSettings(const tSettings& settings) = 0;
};

}  // namespace rfyulreserve_impl

#endif
