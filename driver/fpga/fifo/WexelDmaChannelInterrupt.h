// A DMA channel whose waits sleep until the channel's interrupt: a wait
// arms the stop or the byte-count interrupt (under the ISR lock), sleeps on
// an auto-reset event, and disarms; the interrupt routine hands the
// channel its status words and signals the event when the armed condition
// is met. An error set from another thread (an abort) wakes the waiter.
#ifndef VL9738K_FPGA_FIFO_WEXELDMACHANNELINTERRUPT_H
#define VL9738K_FPGA_FIFO_WEXELDMACHANNELINTERRUPT_H

#include <stdint.h>

#include "WexelDmaChannel.h"
#include "driver/fpga/AutoResetEvent.h"
#include "driver/fpga/interrupt/InterruptManagerBase.h"

namespace vllym {

class WexelDmaChannelInterrupt : public WexelDmaChannel {
 public:
  enum Mode : uint32_t { kModeNone = 0, kModeCount = 1, kModeStop = 2 };

  // Event spin-lock creation failure: -52000.
  WexelDmaChannelInterrupt(volatile uint8_t* bridge, uint32_t index, InterruptManagerBase* manager, tStatus& status);
  ~WexelDmaChannelInterrupt() override;

  // Interrupt context.
  void handleInterrupt(uint32_t status) override;
  void waitForStop(uint32_t timeoutMs, tStatus& status) override;
  uint64_t waitForBytes(uint64_t bytes, uint32_t timeoutMs, uint8_t* timedOut, tStatus& status) override;
  void setError(int32_t code) override;
  void clearError() override;
  void registerInterruptCallback(IBoardDmaInterruptHandler* callback) override;

  uint32_t getMode() const { return mode_; }

 private:
  void arm(uint32_t mode, uint64_t bytes);
  bool takeError(tStatus& status);
  IsrLockPrimary* isrLock() const { return manager_ != nullptr ? manager_->getIsrLock() : nullptr; }

  uint8_t errorSet_;
  int32_t errorCode_;
  InterruptManagerBase* manager_;
  AutoResetEvent event_;
  IBoardDmaInterruptHandler* callback_;
  uint32_t mode_;
  uint64_t target_;
  uint64_t last_;
};

}  // namespace vllym

#endif
