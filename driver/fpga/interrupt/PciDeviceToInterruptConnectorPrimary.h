// Reserves and relinquishes the device's interrupt through the PCI device
// for the primary handler, and owns the ISR lock whose spin lock is the
// reservation's.
#ifndef VL9738K_FPGA_INTERRUPT_PCIDEVICETOINTERRUPTCONNECTORPRIMARY_H
#define VL9738K_FPGA_INTERRUPT_PCIDEVICETOINTERRUPTCONNECTORPRIMARY_H

#include <stdint.h>

#include "IsrLockPrimary.h"
#include "driver/platform/pci/tPCIDevice.h"

namespace vllym {

class PciDeviceToInterruptConnectorPrimary {
 public:
  // Creates the ISR lock's mutex (-52000).
  PciDeviceToInterruptConnectorPrimary(nVLAPAL000::tPCIDevice* device, nVLAPALS100::tStatus& status);
  virtual ~PciDeviceToInterruptConnectorPrimary();
  PciDeviceToInterruptConnectorPrimary(const PciDeviceToInterruptConnectorPrimary&) = delete;
  PciDeviceToInterruptConnectorPrimary& operator=(const PciDeviceToInterruptConnectorPrimary&) = delete;

  virtual void connectPrimaryInterruptHandler(nVLAPAL000::iPrimaryInterruptHandler* primary,
                                              nVLAPALS100::tStatus& status);
  virtual void disconnectPrimaryInterruptHandler();
  virtual IsrLockPrimary* getIsrLock() { return &isrLock_; }
  virtual uint32_t getPreferredDeviceIsrFlag() { return 2; }

  bool isConnected() const { return isrLock_.getReservation() != nullptr; }

 private:
  nVLAPAL000::tPCIDevice* device_;
  IsrLockPrimary isrLock_;
};

}  // namespace vllym

#endif
