#include "PciDeviceToInterruptConnectorPrimary.h"

namespace vllym {

PciDeviceToInterruptConnectorPrimary::PciDeviceToInterruptConnectorPrimary(nVLAPAL000::tPCIDevice* device,
                                                                           nVLAPALS100::tStatus& status)
    : device_(device), isrLock_(status) {}

PciDeviceToInterruptConnectorPrimary::~PciDeviceToInterruptConnectorPrimary() { disconnectPrimaryInterruptHandler(); }

void PciDeviceToInterruptConnectorPrimary::connectPrimaryInterruptHandler(nVLAPAL000::iPrimaryInterruptHandler* primary,
                                                                          nVLAPALS100::tStatus& status) {
  if (status.isFatal()) return;
  if (device_ == nullptr) {
    status.setCode(nVLAPALS100::kStatusInvalidParameter, VL_SITE);
    return;
  }
  nVLAPAL000::tSpinLock* reservation = device_->reserveInterruptWithLock(primary, status, getPreferredDeviceIsrFlag());
  isrLock_.lockReservation();
  isrLock_.setReservationLocked(status.isFatal() ? nullptr : reservation);
  isrLock_.unlockReservation();
}

// Under the mutex, so that no outside holder takes the spin lock while the
// reservation gives it up.
void PciDeviceToInterruptConnectorPrimary::disconnectPrimaryInterruptHandler() {
  isrLock_.lockReservation();
  nVLAPAL000::tSpinLock* reservation = isrLock_.getReservation();
  if (reservation != nullptr && device_ != nullptr) device_->releaseInterruptLock(reservation);
  isrLock_.setReservationLocked(nullptr);
  isrLock_.unlockReservation();
}

}  // namespace vllym
