// The primary interrupt handler the kernel layer calls for the device's
// interrupt: it holds at most one device ISR and services the interrupt
// inside the kernel layer's call, in interrupt context, when the ISR
// recognises it.
#ifndef VL9738K_FPGA_INTERRUPT_DEVICEINTERRUPTPROVIDERPRIMARY_H
#define VL9738K_FPGA_INTERRUPT_DEVICEINTERRUPTPROVIDERPRIMARY_H

#include <stdint.h>

#include "InterruptHandlers.h"
#include "PciDeviceToInterruptConnectorPrimary.h"
#include "driver/platform/pci/iPrimaryInterruptHandler.h"

namespace vllym {

class DeviceInterruptProviderPrimary : public nVLAPAL000::iPrimaryInterruptHandler {
 public:
  // The connector is not owned.
  explicit DeviceInterruptProviderPrimary(PciDeviceToInterruptConnectorPrimary* connector)
      : connector_(connector), isr_(nullptr) {}
  ~DeviceInterruptProviderPrimary() override {}
  DeviceInterruptProviderPrimary(const DeviceInterruptProviderPrimary&) = delete;
  DeviceInterruptProviderPrimary& operator=(const DeviceInterruptProviderPrimary&) = delete;

  // A second registration: -61499, the first one stays.
  virtual void registerDeviceIsr(IInterruptHandler& isr, nVLAPALS100::tStatus& status);
  virtual void unregisterDeviceIsr();
  virtual IsrLockPrimary* getIsrLock();
  // The kernel layer's entry for the device interrupt.
  bool recognizeInterrupt() override { return recognizeDeviceInterrupt() != 0; }
  virtual uint8_t recognizeDeviceInterrupt();

  bool hasIsr() const { return isr_ != nullptr; }

 private:
  PciDeviceToInterruptConnectorPrimary* connector_;
  IInterruptHandler* isr_;
};

}  // namespace vllym

#endif
