// The device ISR's dispatch side: five handler slots (first and second IRQ
// handler on status bit 9, shutdown handler on bit 11, DMA handler on bit
// 28, status-page handler after the drain) and the bridge enables computed
// from which slots are filled. Slots change under the ISR lock; the bridge
// sees a change only at the next enables write.
#ifndef VL9738K_FPGA_INTERRUPT_INTERRUPTMANAGERBASE_H
#define VL9738K_FPGA_INTERRUPT_INTERRUPTMANAGERBASE_H

#include <stdint.h>

#include "DeviceInterruptProviderPrimary.h"
#include "InterruptHandlers.h"

namespace vllym {

class InterruptManagerBase {
 public:
  using tStatus = nVLAPALS100::tStatus;

  // Enable-word bits of the filled slots. The DMA bit is the manager's own
  // mark: the bridge maps no source to it, and DMA words are never gated.
  static constexpr uint32_t kEnableIrq = 0x200;
  static constexpr uint32_t kEnableShutdown = 0x800;
  static constexpr uint32_t kEnableDma = 0x10000000;
  static constexpr uint32_t kEnableStatusPage = 0x100;

  // The provider is not owned.
  explicit InterruptManagerBase(DeviceInterruptProviderPrimary* provider);
  virtual ~InterruptManagerBase();
  InterruptManagerBase(const InterruptManagerBase&) = delete;
  InterruptManagerBase& operator=(const InterruptManagerBase&) = delete;

  virtual void registerDeviceIsr(tStatus& status) = 0;
  virtual void unregisterDeviceIsr();
  // An occupied slot refuses another non-null handler with -52005; null
  // clears it. The enables are not rewritten here.
  virtual void setIrqInterruptHandler(IIrqInterruptHandler* handler, tStatus& status);
  virtual void setSecondIrqInterruptHandler(IIrqInterruptHandler* handler, tStatus& status);
  virtual void setDmaInterruptHandler(IDmaInterruptHandler* handler, tStatus& status);
  virtual void setShutdownInterruptHandler(IIrqInterruptHandler* handler, tStatus& status);
  virtual void setStatusPageHandler(IStatusPageHandler* handler, tStatus& status);
  virtual void updateInterruptEnables(tStatus& status);
  virtual void disableAllInterrupts(tStatus& status);
  // The shutdown handler keeps its slot; only its enable goes.
  virtual void disableShutdownInterrupt(tStatus& status);
  virtual IsrLockPrimary* getIsrLock();
  virtual void writeInterruptEnables(bool irq, bool dma, bool shutdown, bool statusPage, tStatus& status) = 0;

  static uint32_t enableWordFor(bool irq, bool dma, bool shutdown, bool statusPage);

 protected:
  // Within one word: first IRQ, second IRQ, shutdown, DMA handler.
  void dispatchWord(uint32_t word);
  IStatusPageHandler* statusPageHandler() const { return statusPageHandler_; }
  DeviceInterruptProviderPrimary* provider() const { return provider_; }

 private:
  template <typename tHandler>
  void fill(tHandler*& slot, tHandler* handler, tStatus& status);
  void writeEnables(bool withShutdown, bool any, tStatus& status);

  IDmaInterruptHandler* dmaHandler_;
  IIrqInterruptHandler* irqHandler_;
  IIrqInterruptHandler* secondIrqHandler_;
  IIrqInterruptHandler* shutdownHandler_;
  IStatusPageHandler* statusPageHandler_;
  DeviceInterruptProviderPrimary* provider_;
};

}  // namespace vllym

#endif
