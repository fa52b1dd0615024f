// The token managers the reservation system builds.
#include "ExternalTokenManager.h"
#include "TokenManager.h"
#include "TokenManagerOneWay.h"

namespace rfyulreserve_impl {

template class TokenManager<rfyulreserve::ReservationPolicyID>;
template class TokenManager<rfyulreserve::DeviceActivityContextID>;
template class TokenManagerOneWay<rfyulreserve::ReservationClientID>;
template class TokenToStringMap<rfyulreserve::ReservationClientID>;
template class TokenToStringBiMap<rfyulreserve::ReservationPolicyID>;
template class TokenToStringBiMap<rfyulreserve::DeviceActivityContextID>;

}  // namespace rfyulreserve_impl
