// Creates polling DMA channels, a new one on every call; an index beyond
// the bridge's bank (register 0x0C bits 20-23) is refused with -52005, as
// its register block would lie outside the bridge window.
#ifndef VL9738K_FPGA_FIFO_WEXELDMACHANNELFACTORYPOLLING_H
#define VL9738K_FPGA_FIFO_WEXELDMACHANNELFACTORYPOLLING_H

#include <stdint.h>

#include "WexelDmaChannelPolling.h"
#include "driver/platform/memory/Memory.h"

namespace vllym {

class WexelDmaChannelFactoryPolling {
 public:
  using tStatus = nVLAPALS100::tStatus;

  explicit WexelDmaChannelFactoryPolling(volatile uint8_t* bridge) : bridge_(bridge) {}
  virtual ~WexelDmaChannelFactoryPolling() {}

  virtual WexelDmaChannel* getChannel(uint32_t index, tStatus& status) {
    if (status.isFatal()) return nullptr;
    const uint32_t capabilities =
        bridge_ != nullptr ? nVLAPAL000::wexel::read32(bridge_, nVLAPAL000::tWexelDMAChannel::kCoreCapabilities) : 0;
    if (bridge_ == nullptr || index >= (uint64_t{1} << ((capabilities >> 20) & 0xF))) {
      status.setCode(nVLAPALS100::kStatusInvalidParameter, VL_SITE);
      return nullptr;
    }
    auto* channel = new (status, nVLAPAL000::kAllocationKindPlain) WexelDmaChannelPolling(bridge_, index, status);
    if (status.isFatal()) {
      delete channel;
      return nullptr;
    }
    return channel;
  }
  virtual void destroyChannel(WexelDmaChannel* channel) { delete channel; }

 private:
  volatile uint8_t* bridge_;
};

}  // namespace vllym

#endif
