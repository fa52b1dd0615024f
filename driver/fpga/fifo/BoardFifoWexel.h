// One FPGA DMA FIFO: the FPGA's control block for the FIFO (in the FPGA
// window) joined with a bridge DMA channel over a locked user buffer. The
// buffer is mapped for the device and described by a scatter-gather ring;
// start brings up both sides in the order the direction needs, byte counts
// tell the FPGA how much it may move (room for direction 0, data for
// direction 1), and stop takes both sides down with bounded waits.
//
// Whole-buffer mode (mode 1) lets the FPGA use the whole ring without
// counts (command 0x400); mode 2 returns to counted transfers (0x200).
#ifndef VL9738K_FPGA_FIFO_BOARDFIFOWEXEL_H
#define VL9738K_FPGA_FIFO_BOARDFIFOWEXEL_H

#include <stdint.h>

#include "WexelDmaChannelFactoryInterrupt.h"
#include "driver/platform/dma/tPageList.h"
#include "driver/platform/dma/tStandardDMAMap.h"
#include "driver/platform/sync/Atomic.h"
#include "driver/platform/wexel/tWexelSGL.h"

namespace vllym {

// The buffer a FIFO moves data through.
struct BoardFifoBuffer {
  uint64_t size;    // bytes
  uint64_t offset;  // of the buffer in its first page
  nVLAPAL000::tPageList pages;
};

// A window of kernel-mapped registers.
struct BoardFifoWindow {
  uint64_t base;
  uint64_t size;
};

class BoardFifoWexel {
 public:
  using tStatus = nVLAPALS100::tStatus;

  // Control block.
  static constexpr uint64_t kCommand = 0;
  static constexpr uint64_t kStatus = 4;
  static constexpr uint64_t kByteCount = 8;
  static constexpr uint64_t kControlBlockSize = 12;
  static constexpr uint32_t kCommandReset = 1;
  static constexpr uint32_t kCommandEnable = 2;
  static constexpr uint32_t kCommandDisable = 4;
  static constexpr uint32_t kCommandAfterDisable = 0x10;
  static constexpr uint32_t kCommandCounted = 0x200;
  static constexpr uint32_t kCommandWholeBuffer = 0x400;
  static constexpr uint32_t kStatusResetDone = 1u << 0;
  static constexpr uint32_t kStatusDisabled = 1u << 1;
  // Operation written after the channel's reset, before a start.
  static constexpr uint32_t kOperationPrepare = 4;
  static constexpr uint64_t kBudgetMs = 1000;
  static constexpr uint8_t kDeviceToHost = 0;
  static constexpr uint8_t kHostToDevice = 1;

  // A direction above 1: -52005.
  BoardFifoWexel(uint32_t channelIndex, uint8_t direction, const nVLAPAL000::tDMAConfiguration& dma,
                 BoardFifoWindow window, uint32_t linkSize, WexelDmaChannelFactoryInterrupt* factory, tStatus& status);
  virtual ~BoardFifoWexel();
  BoardFifoWexel(const BoardFifoWexel&) = delete;
  BoardFifoWexel& operator=(const BoardFifoWexel&) = delete;

  // Null forgets the buffer. Above 0xFFFFFFFF bytes only in whole-buffer mode (-61072).
  virtual void setBuffer(const BoardFifoBuffer* buffer, tStatus& status);
  // Without a buffer: -52003.
  virtual void start(tStatus& status);
  virtual void stop(tStatus& status);
  // Direction 0: bytes the device wrote; direction 1: room (the buffer
  // counts as free from the start).
  virtual uint64_t waitForBytes(uint64_t bytes, uint32_t timeoutMs, uint8_t* timedOut, tStatus& status);
  virtual void releaseBytes(uint64_t bytes, tStatus& status);
  // 1 whole buffer, 2 counted; anything else -63196.
  virtual void setMode(int32_t mode, tStatus& status);
  // Wakes a waiter with `code`; called without the owner's lock.
  virtual void abort(int32_t code);
  virtual void clearError();

  WexelDmaChannel* getChannel() const { return channel_; }
  uint64_t getBufferSize() const { return bufferSize_; }
  uint64_t getReleasedTotal() const { return released_; }
  bool isWholeBuffer() const { return nVLAPAL000::atomicLoad(wholeBuffer_) != 0; }

 private:
  void command(uint32_t value);
  // Writes the command and spins until the status bit or the budget.
  bool commandAndWait(uint32_t value, uint32_t bit);
  void startChannel(tStatus& status);
  void waitChannelStopped(tStatus& status);
  void writeByteCount(uint64_t bytes, tStatus& status);
  void startSteps(tStatus& status);
  void forgetBuffer();

  WexelDmaChannelFactoryInterrupt* factory_;
  WexelDmaChannel* channel_;
  volatile uint8_t* control_;
  uint64_t windowLeft_;
  uint64_t bufferSize_;
  nVLAPAL000::tWexelSGL sgl_;
  nVLAPAL000::tStandardDMAMap map_;
  uint8_t direction_;
  // The mode: written under the owner's lock, read by an abort without it.
  uint32_t wholeBuffer_;
  uint8_t wholeBufferSignalled_;
  uint64_t released_;
};

}  // namespace vllym

#endif
