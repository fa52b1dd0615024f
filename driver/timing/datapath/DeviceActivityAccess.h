// The named handle by which a data-path engine takes part in the
// reservation system's idle tracking: registered with the board's
// device-activity manager for as long as it lives.
#ifndef VL9738K_TIMING_DATAPATH_DEVICEACTIVITYACCESS_H
#define VL9738K_TIMING_DATAPATH_DEVICEACTIVITYACCESS_H

#include "driver/platform/containers/BasicString.h"
#include "driver/rf/reservation/DeviceActivityAccessManager.h"
#include "driver/rf/reservation/iDeviceActivityAccess.h"

namespace qrtifwprim {

// What the handle asks its owner.
class DeviceActivityOwner {
 public:
  virtual ~DeviceActivityOwner() {}
  virtual bool isIdle(nVLAPALS100::tStatus& status) = 0;
};

class DeviceActivityAccess final : public rfyulreserve::iDeviceActivityAccess {
 public:
  using tStatus = nVLAPALS100::tStatus;
  using tManager = rfyulreserve_impl::DeviceActivityAccessManager;

  // A null name registers an empty one.
  DeviceActivityAccess(const char* name, DeviceActivityOwner* owner, tManager* manager, tStatus& status);
  // The manager's failure cannot reach anyone here.
  ~DeviceActivityAccess() override;
  DeviceActivityAccess(const DeviceActivityAccess&) = delete;
  DeviceActivityAccess& operator=(const DeviceActivityAccess&) = delete;

  // Whichever client asks, the engine is idle or it is not.
  bool isIdle(rfyulreserve::ReservationClientID client, tStatus& status) const override;
  const char* getDescriptor() const override { return name_.c_str(); }
  rfyulreserve::DeviceActivityContextID getContextId() const { return id_; }

 private:
  vlhtl::String name_;
  DeviceActivityOwner* owner_;
  tManager* manager_;
  rfyulreserve::DeviceActivityContextID id_ = rfyulreserve::kInvalidDeviceActivityContextID;
};

}  // namespace qrtifwprim

#endif
