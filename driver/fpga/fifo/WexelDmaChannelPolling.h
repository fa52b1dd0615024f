// A DMA channel whose waits read its registers instead of taking its
// interrupt: the stop wait sleeps between status reads, the byte wait
// spins on the byte counter. An error set from another thread ends either
// loop.
#ifndef VL9738K_FPGA_FIFO_WEXELDMACHANNELPOLLING_H
#define VL9738K_FPGA_FIFO_WEXELDMACHANNELPOLLING_H

#include <stdint.h>

#include "WexelDmaChannel.h"

namespace vllym {

class WexelDmaChannelPolling : public WexelDmaChannel {
 public:
  static constexpr uint32_t kStopPollSleepUs = 10000;

  WexelDmaChannelPolling(volatile uint8_t* bridge, uint32_t index, tStatus& status)
      : WexelDmaChannel(bridge, index, status), errorSet_(0), errorCode_(0) {}
  ~WexelDmaChannelPolling() override {}

  void waitForStop(uint32_t timeoutMs, tStatus& status) override;
  uint64_t waitForBytes(uint64_t bytes, uint32_t timeoutMs, uint8_t* timedOut, tStatus& status) override;
  void setError(int32_t code) override;
  void clearError() override;
  void registerInterruptCallback(IBoardDmaInterruptHandler*) override {}

 private:
  bool errorIsSet() const { return __atomic_load_n(&errorSet_, __ATOMIC_ACQUIRE) != 0; }
  void takeError(tStatus& status);

  uint8_t errorSet_;
  int32_t errorCode_;
};

}  // namespace vllym

#endif
