#include "DeviceActivityAccessSlave.h"

#include "CompositeIdleTracker.h"

namespace rfyulreserve_impl {

bool DeviceActivityAccessSlave::isIdle(rfyulreserve::ReservationClientID client, nVLAPALS100::tStatus& status) const {
  if (client == rfyulreserve::kInvalidReservationClientID) {
    status.setCode(nVLAPALS100::kStatusInvalidParameter, VL_SITE_AT("DeviceActivityAccessSlave", __LINE__));
  }
  return rfCompositeIdleTracker_getStatus(rfyulreserve::tokenValue(client), &status) == 1;
}

}  // namespace rfyulreserve_impl
