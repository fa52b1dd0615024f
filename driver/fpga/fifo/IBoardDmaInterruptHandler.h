// A callback a DMA channel calls with every status word it is handed, in
// interrupt context.
#ifndef VL9738K_FPGA_FIFO_IBOARDDMAINTERRUPTHANDLER_H
#define VL9738K_FPGA_FIFO_IBOARDDMAINTERRUPTHANDLER_H

#include <stdint.h>

namespace vllym {

class IBoardDmaInterruptHandler {
 public:
  virtual ~IBoardDmaInterruptHandler() {}
  virtual void handleDmaInterrupt(uint32_t channel, uint32_t status) = 0;
};

}  // namespace vllym

#endif
