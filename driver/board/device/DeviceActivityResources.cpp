#include "DeviceActivityResources.h"

namespace nVL9738K_24_0 {

DeviceActivityResources::DeviceActivityResources(nVLAPALS100::tStatus& status)
    : acquisition_(rfyulreserve_impl::kAcquisitionEngineDescriptor, status),
      generation_(rfyulreserve_impl::kGenerationEngineDescriptor, status),
      acquisitionID_(rfyulreserve::kInvalidDeviceActivityContextID),
      generationID_(rfyulreserve::kInvalidDeviceActivityContextID),
      reservation_(kReservationCode, kReservationCode, kReservationCode, kReservationCode, kReservationCode,
                   kReservationCode, true) {
  acquisitionID_ = reservation_.activities().registerDeviceActivity(&acquisition_, status);
  generationID_ = reservation_.activities().registerDeviceActivity(&generation_, status);
}

// Each unregistration on its own status, so a missing one never keeps the
// other registered.
DeviceActivityResources::~DeviceActivityResources() {
  const rfyulreserve::DeviceActivityContextID ids[] = {acquisitionID_, generationID_};
  for (rfyulreserve::DeviceActivityContextID id : ids) {
    if (id == rfyulreserve::kInvalidDeviceActivityContextID) continue;
    nVLAPALS100::tStatus local;
    reservation_.activities().unregisterDeviceActivity(id, local);
  }
}

}  // namespace nVL9738K_24_0
