// What the interrupt chain calls: the device ISR that the primary provider
// holds, and the consumers the bridge interrupt manager dispatches status
// words to (IRQ lines and the shutdown interrupt, DMA channels, the
// interrupt status page's data). All of them run in interrupt context.
#ifndef VL9738K_FPGA_INTERRUPT_INTERRUPTHANDLERS_H
#define VL9738K_FPGA_INTERRUPT_INTERRUPTHANDLERS_H

#include <stdint.h>

namespace vllym {

class IInterruptHandler {
 public:
  virtual ~IInterruptHandler() {}
  // Non-zero when the interrupt is the device's; it is then serviced.
  virtual uint8_t recognizeInterrupt() = 0;
  virtual void serviceInterrupt() = 0;
};

// The IRQ-line and shutdown handlers.
class IIrqInterruptHandler {
 public:
  virtual ~IIrqInterruptHandler() {}
  virtual void handleInterrupt() = 0;
};

// The DMA handler: the channel index of a status word and the whole word.
class IDmaInterruptHandler {
 public:
  virtual ~IDmaInterruptHandler() {}
  virtual void dispatchInterrupt(uint32_t channel, uint32_t status) = 0;
};

// The status-page handler: the page's data after its status entries.
class IStatusPageHandler {
 public:
  virtual ~IStatusPageHandler() {}
  virtual void handleStatusPage(const uint8_t* data, uint32_t length) = 0;
};

}  // namespace vllym

#endif
