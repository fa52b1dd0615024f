// What a PCI device calls for each of its interrupts while it holds the
// reservation: the object that can tell its own interrupt (the FPGA
// session's interrupt handler is one).
#ifndef VL9738K_PLATFORM_PCI_IPRIMARY_INTERRUPT_HANDLER_H
#define VL9738K_PLATFORM_PCI_IPRIMARY_INTERRUPT_HANDLER_H

#include "../runtime/iInterfaceBase.h"

namespace nVLAPAL000 {

class iPrimaryInterruptHandler : public iInterfaceBase {
 public:
  // Runs in interrupt context; true when the interrupt was the device's.
  virtual bool recognizeInterrupt() = 0;
};

}  // namespace nVLAPAL000

#endif
