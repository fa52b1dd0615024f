// An engine whose idleness gates a deferred release: a client may ask to be
// released from its policies once its acquisition or generation is idle.
#ifndef VL9738K_RF_RESERVATION_IDEVICE_ACTIVITY_ACCESS_H
#define VL9738K_RF_RESERVATION_IDEVICE_ACTIVITY_ACCESS_H

#include "../../platform/status/tStatus.h"
#include "ReservationTypes.h"

namespace rfyulreserve {

class iDeviceActivityAccess {
 public:
  virtual ~iDeviceActivityAccess() = default;
  virtual bool isIdle(ReservationClientID client, nVLAPALS100::tStatus& status) const = 0;
  virtual const char* getDescriptor() const = 0;
};

}  // namespace rfyulreserve

#endif
