// The device's side of the reservation descriptor requests: a session's
// reservation client is made over the device's reservation machinery and
// handed to the session, which owns it from then on.
#include "Device.h"

namespace nVL9738K_24_0 {

rfyulreserve_impl::ReservationClient* Device::setReservationDescriptor(const char* descriptor, tStatus& status) {
  if (status.isFatal()) return nullptr;
  return activities_.getReservationResources().createClient(descriptor, status);
}

rfyulreserve_impl::ReservationClient* Device::setReservationDescriptorAndClientID(const char* descriptor,
                                                                                  rfyulreserve::ReservationClientID id,
                                                                                  tStatus& status) {
  if (status.isFatal()) return nullptr;
  return activities_.getReservationResources().attachClient(descriptor, id, status);
}

}  // namespace nVL9738K_24_0
