// A bridge DMA channel as the board FIFOs drive it: the platform's register
// block (reset, start with a first link, stop, enables, byte counter) with
// the waits a FIFO needs, for the channel's stop and for a byte count, and
// an error that ends those waits.
#ifndef VL9738K_FPGA_FIFO_WEXELDMACHANNEL_H
#define VL9738K_FPGA_FIFO_WEXELDMACHANNEL_H

#include <stdint.h>

#include "IBoardDmaInterruptHandler.h"
#include "driver/platform/status/tStatus.h"
#include "driver/platform/wexel/WexelRegisters.h"
#include "driver/platform/wexel/tWexelDMAChannel.h"

namespace vllym {

class WexelDmaChannel : public nVLAPAL000::tWexelDMAChannel {
 public:
  using tStatus = nVLAPALS100::tStatus;

  static constexpr uint64_t kChannelStatus = 0x60;  // CHSR
  // CHSR bits.
  static constexpr uint32_t kLinkReady = 1u << 14;
  static constexpr uint32_t kStopEvent = 1u << 15;
  static constexpr uint32_t kCountReached = 1u << 25;
  static constexpr uint32_t kChainEnd = 1u << 26;
  static constexpr uint32_t kHostMemoryError = 1u << 27;
  // CHOR read side: the channel has stopped.
  static constexpr uint32_t kStopped = 1u << 1;
  // Interrupt enables of the waits.
  static constexpr uint32_t kStopEnables = kStopEvent | kChainEnd;
  static constexpr uint32_t kCountEnables = kCountReached;

  WexelDmaChannel(volatile uint8_t* bridge, uint32_t index, tStatus& status)
      : tWexelDMAChannel(bridge, index, status) {}
  ~WexelDmaChannel() override {}

  // Time-outs in milliseconds.
  virtual void waitForStop(uint32_t timeoutMs, tStatus& status) = 0;
  virtual uint64_t waitForBytes(uint64_t bytes, uint32_t timeoutMs, uint8_t* timedOut, tStatus& status) = 0;
  virtual void setError(int32_t code) = 0;
  virtual void clearError() = 0;
  virtual void registerInterruptCallback(IBoardDmaInterruptHandler* callback) = 0;

  uint32_t readChannelStatus() { return nVLAPAL000::wexel::read32(getBase(), kChannelStatus); }
  uint32_t readOperation() { return nVLAPAL000::wexel::read32(getBase(), kOperation); }
  void writeOperation(uint32_t value) { nVLAPAL000::wexel::write32(getBase(), kOperation, value); }
  uint32_t readFirstRegister() { return nVLAPAL000::wexel::read32(getBase(), 0); }
};

}  // namespace vllym

#endif
