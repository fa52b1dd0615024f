#include "BoardFifoFactoryWexel.h"

#include "driver/platform/memory/Memory.h"
#include "driver/platform/wexel/WexelRegisters.h"

namespace vllym {

BoardFifoFactoryWexel::BoardFifoFactoryWexel(const nVLAPAL000::tDMAConfiguration& dma, volatile uint8_t* bridge,
                                             BoardFifoWindow window, WexelDmaChannelFactoryInterrupt* channels)
    : dma_(dma), window_(window), linkSize_(0), channels_(channels) {
  if (bridge == nullptr) return;
  const uint32_t capabilities = nVLAPAL000::wexel::read32(bridge, nVLAPAL000::tWexelDMAChannel::kCoreCapabilities);
  linkSize_ = 1u << ((capabilities >> 12) & 0xF);
}

// The control block's offset comes from the FPGA's FIFO records: one that
// would put the block beyond the window is refused before any access.
BoardFifoWexel* BoardFifoFactoryWexel::createFifo(uint32_t channelIndex, uint32_t controlOffset, uint32_t direction,
                                                  tStatus& status) {
  if (status.isFatal()) return nullptr;
  if (controlOffset > window_.size || window_.size - controlOffset < BoardFifoWexel::kControlBlockSize ||
      direction > BoardFifoWexel::kHostToDevice) {
    status.setCode(nVLAPALS100::kStatusInvalidParameter, VL_SITE);
    return nullptr;
  }
  const BoardFifoWindow window{window_.base + controlOffset, window_.size - controlOffset};
  auto* fifo = new (status, nVLAPAL000::kAllocationKindPlain)
      BoardFifoWexel(channelIndex, static_cast<uint8_t>(direction), dma_, window, linkSize_, channels_, status);
  if (status.isFatal()) {
    delete fifo;
    return nullptr;
  }
  return fifo;
}

}  // namespace vllym
