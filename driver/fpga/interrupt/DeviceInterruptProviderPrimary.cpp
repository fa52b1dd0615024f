#include "DeviceInterruptProviderPrimary.h"

#include "driver/fpga/FpgaFault.h"

namespace vllym {

// The handler is in place before the reservation: the first interrupt may
// arrive before the kernel layer returns.
void DeviceInterruptProviderPrimary::registerDeviceIsr(IInterruptHandler& isr, nVLAPALS100::tStatus& status) {
  if (status.isFatal()) return;
  if (isr_ != nullptr) {
    VL_FPGA_FAULT(status, kStatusInternalError, "InternalError", "ISR and handler already registered");
    return;
  }
  isr_ = &isr;
  if (connector_ != nullptr) connector_->connectPrimaryInterruptHandler(this, status);
  if (status.isFatal()) isr_ = nullptr;
}

void DeviceInterruptProviderPrimary::unregisterDeviceIsr() {
  if (connector_ != nullptr) connector_->disconnectPrimaryInterruptHandler();
  isr_ = nullptr;
}

IsrLockPrimary* DeviceInterruptProviderPrimary::getIsrLock() {
  return connector_ != nullptr ? connector_->getIsrLock() : nullptr;
}

uint8_t DeviceInterruptProviderPrimary::recognizeDeviceInterrupt() {
  IInterruptHandler* isr = isr_;
  if (isr == nullptr) return 0;
  const uint8_t mine = isr->recognizeInterrupt();
  if (mine == 0) return 0;
  isr->serviceInterrupt();
  return mine;
}

}  // namespace vllym
