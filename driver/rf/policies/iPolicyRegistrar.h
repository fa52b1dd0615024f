// Where the board's policies are registered: the reservation manager names
// each registered policy with a ReservationPolicyID.
#ifndef VL9738K_RF_POLICIES_IPOLICY_REGISTRAR_H
#define VL9738K_RF_POLICIES_IPOLICY_REGISTRAR_H

#include "../../platform/status/tStatus.h"
#include "../reservation/ReservationTypes.h"
#include "../reservation/iReservationPolicy.h"

namespace nVL9738K_24_0 {

class iPolicyRegistrar {
 public:
  // The invalid id 0 when the registration failed.
  virtual rfyulreserve::ReservationPolicyID registerPolicy(rfyulreserve_impl::iReservationPolicy* policy,
                                                           nVLAPALS100::tStatus& status) = 0;
  virtual void unregisterPolicy(rfyulreserve::ReservationPolicyID id, nVLAPALS100::tStatus& status) = 0;

 protected:
  ~iPolicyRegistrar() = default;
};

}  // namespace nVL9738K_24_0

#endif
