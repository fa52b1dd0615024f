// Creates the interrupt-driven DMA channels of the bridge's bank, at most
// one per channel index, and hands each the status words of its index in
// interrupt context (it is the interrupt manager's DMA handler). The bank's
// size comes from bridge register 0x0C (bits 20-23, log2 of the count).
#ifndef VL9738K_FPGA_FIFO_WEXELDMACHANNELFACTORYINTERRUPT_H
#define VL9738K_FPGA_FIFO_WEXELDMACHANNELFACTORYINTERRUPT_H

#include <stdint.h>

#include "WexelDmaChannel.h"
#include "driver/fpga/interrupt/InterruptManagerBase.h"
#include "driver/platform/containers/Vector.h"

namespace vllym {

class WexelDmaChannelFactoryInterrupt : public IDmaInterruptHandler {
 public:
  using tStatus = nVLAPALS100::tStatus;

  // Sizes the bank (-52000 when the vector cannot grow).
  WexelDmaChannelFactoryInterrupt(volatile uint8_t* bridge, InterruptManagerBase* manager, tStatus& status);
  ~WexelDmaChannelFactoryInterrupt() override;
  WexelDmaChannelFactoryInterrupt(const WexelDmaChannelFactoryInterrupt&) = delete;
  WexelDmaChannelFactoryInterrupt& operator=(const WexelDmaChannelFactoryInterrupt&) = delete;

  // The channel of `index`, made on first use; -52005 beyond the bank.
  virtual WexelDmaChannel* getChannel(uint32_t index, tStatus& status);
  // A channel this factory made; anything else is left alone.
  virtual void destroyChannel(WexelDmaChannel* channel);
  // Interrupt context.
  void dispatchInterrupt(uint32_t channel, uint32_t status) override;

  IDmaInterruptHandler* getDmaInterruptHandler() { return this; }
  uint32_t getChannelCount() const { return static_cast<uint32_t>(channels_.size()); }

 private:
  IsrLockPrimary* isrLock() const { return manager_ != nullptr ? manager_->getIsrLock() : nullptr; }

  volatile uint8_t* bridge_;
  InterruptManagerBase* manager_;
  vlhtl::Vector<WexelDmaChannel*> channels_;
};

}  // namespace vllym

#endif
