// One engine of the board as a device activity: a deferred release asks it
// whether the client's acquisition or generation has gone idle, which the
// composite idle tracker knows per client id.
#ifndef VL9738K_RF_RESERVATION_DEVICE_ACTIVITY_ACCESS_SLAVE_H
#define VL9738K_RF_RESERVATION_DEVICE_ACTIVITY_ACCESS_SLAVE_H

#include "../../platform/containers/BasicString.h"
#include "iDeviceActivityAccess.h"

namespace rfyulreserve_impl {

class DeviceActivityAccessSlave : public rfyulreserve::iDeviceActivityAccess {
 public:
  DeviceActivityAccessSlave(const char* descriptor, nVLAPALS100::tStatus& status) : descriptor_(descriptor, status) {}

  // The invalid client is reported, yet the tracker is still asked, so the
  // answer is the tracker's in every case.
  bool isIdle(rfyulreserve::ReservationClientID client, nVLAPALS100::tStatus& status) const override;
  const char* getDescriptor() const override { return descriptor_.c_str(); }

 private:
  vlhtl::String descriptor_;
};

}  // namespace rfyulreserve_impl

#endif
