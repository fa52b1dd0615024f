// Creates the board FIFOs of the FPGA's DMA FIFOs over one DMA
// configuration, the FPGA window that holds their control blocks and the
// interrupt DMA channel factory. The scatter-gather link size is the
// bridge's (register 0x0C bits 12-15, log2), read once.
#ifndef VL9738K_FPGA_FIFO_BOARDFIFOFACTORYWEXEL_H
#define VL9738K_FPGA_FIFO_BOARDFIFOFACTORYWEXEL_H

#include <stdint.h>

#include "BoardFifoWexel.h"

namespace vllym {

class BoardFifoFactoryWexel {
 public:
  using tStatus = nVLAPALS100::tStatus;

  // `bridge` may be null (link size 0); nothing is owned.
  BoardFifoFactoryWexel(const nVLAPAL000::tDMAConfiguration& dma, volatile uint8_t* bridge, BoardFifoWindow window,
                        WexelDmaChannelFactoryInterrupt* channels);
  virtual ~BoardFifoFactoryWexel() {}
  BoardFifoFactoryWexel(const BoardFifoFactoryWexel&) = delete;
  BoardFifoFactoryWexel& operator=(const BoardFifoFactoryWexel&) = delete;

  // A control block that does not fit the window: -52005. A FIFO that
  // could not be built completely is destroyed again; null then.
  virtual BoardFifoWexel* createFifo(uint32_t channelIndex, uint32_t controlOffset, uint32_t direction,
                                     tStatus& status);
  virtual void destroyFifo(BoardFifoWexel* fifo) { delete fifo; }

  uint32_t getLinkSize() const { return linkSize_; }

 private:
  const nVLAPAL000::tDMAConfiguration& dma_;
  BoardFifoWindow window_;
  uint32_t linkSize_;
  WexelDmaChannelFactoryInterrupt* channels_;
};

}  // namespace vllym

#endif
