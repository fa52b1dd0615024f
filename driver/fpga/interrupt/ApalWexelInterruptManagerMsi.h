// The bridge's interrupt control for a message-signalled interrupt: every
// interrupt on its vector is the device's (the output is masked while it
// is serviced), and the output is enabled again after every service.
#ifndef VL9738K_FPGA_INTERRUPT_APALWEXELINTERRUPTMANAGERMSI_H
#define VL9738K_FPGA_INTERRUPT_APALWEXELINTERRUPTMANAGERMSI_H

#include "driver/platform/wexel/tWexelInterruptManager.h"

namespace vllym {

class ApalWexelInterruptManagerMsi : public nVLAPAL000::tWexelInterruptManager {
 public:
  explicit ApalWexelInterruptManagerMsi(volatile uint8_t* bridge) : tWexelInterruptManager(bridge, true) {}
  ~ApalWexelInterruptManagerMsi() override { writeControl(kDisableOutput); }

  uint8_t recognizeInterrupt() override {
    writeControl(kDisableOutput);
    return 1;
  }
  void acknowledgeInterrupts() override { writeControl(kEnableOutput); }
};

}  // namespace vllym

#endif
