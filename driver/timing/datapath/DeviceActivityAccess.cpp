#include "DeviceActivityAccess.h"

namespace qrtifwprim {

DeviceActivityAccess::DeviceActivityAccess(const char* name, DeviceActivityOwner* owner, tManager* manager,
                                           tStatus& status)
    : owner_(owner), manager_(manager) {
  if (status.isFatal()) return;
  if (name != nullptr) vlhtl::String(name, status).swap(name_);
  if (manager_ != nullptr) id_ = manager_->registerDeviceActivity(this, status);
}

DeviceActivityAccess::~DeviceActivityAccess() {
  if (manager_ == nullptr || id_ == rfyulreserve::kInvalidDeviceActivityContextID) return;
  tStatus local;
  manager_->unregisterDeviceActivity(id_, local);
}

bool DeviceActivityAccess::isIdle(rfyulreserve::ReservationClientID, tStatus& status) const {
  return owner_->isIdle(status);
}

}  // namespace qrtifwprim
