// One DMA FIFO of the configured personality, as sessions use it: a user
// buffer locked into memory and handed to the board FIFO, started and
// stopped, and bytes of it acquired and released. The FIFO's mutex
// serialises every operation, a blocking acquire included; abort and
// clear-error reach the board FIFO without it, so that an abort can wake a
// thread blocked in an acquire, and the stop after an abort then waits for
// that thread to leave. Giving the FIFO back always aborts the board FIFO
// before it takes the mutex, whoever waits: an acquire that reaches the
// mutex first then finds the abort and leaves, so no stop waits on a
// waiter nobody woke, whenever that waiter arrived.
//
// States: 0 no buffer, 1 buffer set (stopped), 2 started.
//
// tBoard names the board side: tBoard::Factory makes tBoard::Fifo objects,
// whose setBuffer takes a tBoard::Buffer {size, offset in the first page,
// page list}.
#ifndef VL9738K_FPGA_FIFO_FPGAFIFO_H
#define VL9738K_FPGA_FIFO_FPGAFIFO_H

#include <stdint.h>

#include "BoardFifoWexel.h"
#include "driver/fpga/FpgaFault.h"
#include "driver/fpga/UserPageLock.h"
#include "driver/fpga/session/SessionStatusCodes.h"
#include "driver/fpga/wire/FifoInfo.h"
#include "driver/platform/sync/tMutex.h"
#include "driver/platform/zuk/ZukDMA.h"

namespace vllym {

// What a session deploys on a FIFO: the board FIFO's mode and the buffer.
struct FpgaFifoSettings {
  int32_t mode;
  uint64_t bufferAddress;
  uint64_t bufferSize;
};

template <typename tBoard>
class FpgaFifoT {
 public:
  using tStatus = nVLAPALS100::tStatus;
  using Factory = typename tBoard::Factory;
  using BoardFifo = typename tBoard::Fifo;
  using Buffer = typename tBoard::Buffer;
  using tAutoLock = nVLAPAL000::tAutoLock<nVLAPAL000::tMutex>;

  enum State : uint32_t { kNoBuffer = 0, kStopped = 1, kStarted = 2 };

  // The factory refuses a control block outside the FPGA window (-52005).
  FpgaFifoT(const FifoInfo& info, Factory* factory, tStatus& status)
      : factory_(factory),
        fifo_(nullptr),
        buffer_{},
        mutex_(status),
        state_(kNoBuffer),
        direction_(info.getDirection()),
        constructed_(0) {
    fifo_ = factory_->createFifo(info.getFifoNumber(), info.getControlOffset(), info.getDirection(), status);
    constructed_ = status.isNotFatal() ? 1 : 0;
  }
  ~FpgaFifoT() {
    if (constructed_ != 0) {
      tStatus local;
      stop(local);
    }
    if (fifo_ != nullptr) factory_->destroyFifo(fifo_);
    nVLZUK220_tPageList_destroy(buffer_.pages.handle);
  }
  FpgaFifoT(const FpgaFifoT&) = delete;
  FpgaFifoT& operator=(const FpgaFifoT&) = delete;

  // A running FIFO is refused (-61499) before its mode changes.
  void deploySettings(const FpgaFifoSettings& settings, tStatus& status) {
    if (status.isFatal()) return;
    tAutoLock hold(mutex_);
    if (refuseWhileStarted(status)) return;
    fifo_->setMode(settings.mode, status);
    setBuffer(settings.bufferAddress, settings.bufferSize, status);
  }

  void setBuffer(uint64_t address, uint64_t size, tStatus& status) {
    if (status.isFatal()) return;
    tAutoLock hold(mutex_);
    if (refuseWhileStarted(status)) return;
    forgetBuffer();
    tStatus lock;
    if (!lockUserPages(address, size, kPageListFifoBuffer, buffer_.pages, lock)) {
      if (lock.getCode() == nVLAPALS100::kStatusMemoryHandling) {
        VL_FPGA_FAULT(status, nVLAPALS100::kStatusOutOfMemory, "MemoryFull",
                      "Failed to lock the FIFO pages, likely out of free physical memory");
      }
      status.merge(lock);
      return;
    }
    // The board FIFO maps from the record's offset on, counted from the
    // list's own offset: the list starts at its first page.
    buffer_.size = size;
    buffer_.offset = buffer_.pages.offset;
    buffer_.pages.offset = 0;
    fifo_->setBuffer(&buffer_, status);
    if (status.isFatal()) {
      forgetBuffer();
      return;
    }
    state_ = kStopped;
  }

  // A running FIFO is stopped first: its DMA must not outlive the pages.
  void unlockBuffer() {
    tAutoLock hold(mutex_);
    tStatus local;
    stopLocked(local);
    forgetBuffer();
  }

  void start(tStatus& status) {
    if (status.isFatal()) return;
    tAutoLock hold(mutex_);
    if (state_ != kStopped) {
      status.setCode(kStatusFifoNotStartable, VL_SITE);
      return;
    }
    fifo_->start(status);
    if (status.isNotFatal()) state_ = kStarted;
  }

  void stop(tStatus& status) {
    if (status.isFatal()) return;
    tAutoLock hold(mutex_);
    stopLocked(status);
  }

  // Holds the FIFO's mutex while it waits: operations on this FIFO queue
  // behind it, and only an abort can cut the wait short.
  uint64_t acquireBytes(uint64_t bytes, uint32_t timeoutMs, uint8_t* timedOut, tStatus& status) {
    *timedOut = 0;
    if (status.isFatal()) return 0;
    tAutoLock hold(mutex_);
    if (!requireStarted(status)) return 0;
    return fifo_->waitForBytes(bytes, timeoutMs, timedOut, status);
  }

  // Gives the FIFO back: the board FIFO is aborted with `code` first, so
  // that an acquire holding the mutex the stop needs (or taking it before
  // the stop) leaves at once, then the FIFO stops and lets go of its
  // buffer, whether or not the stop succeeded. The board FIFO keeps `code`
  // until its error is cleared, which only the caller may do, once this
  // returned: cleared any earlier, an acquire still to come would wait.
  void release(int32_t code, tStatus& status) {
    fifo_->abort(code);
    tAutoLock hold(mutex_);
    stopLocked(status);
    forgetBuffer();
  }

  void releaseBytes(uint64_t bytes, tStatus& status) {
    if (status.isFatal()) return;
    tAutoLock hold(mutex_);
    if (requireStarted(status)) fifo_->releaseBytes(bytes, status);
  }

  void abort(int32_t code, tStatus& status) {
    if (status.isFatal()) return;
    fifo_->abort(code);
    stop(status);
  }

  void clearError(tStatus& status) {
    if (status.isFatal()) return;
    fifo_->clearError();
  }

  uint32_t getState() const { return state_; }
  uint8_t getDirection() const { return direction_; }
  BoardFifo* getBoardFifo() const { return fifo_; }
  const Buffer& getBuffer() const { return buffer_; }

 private:
  bool refuseWhileStarted(tStatus& status) {
    if (state_ != kStarted) return false;
    VL_FPGA_FAULT(status, kStatusInternalError, "InternalError",
                  "Can't set buffer while FIFO is started. Usermode should have prevented this");
    return true;
  }
  bool requireStarted(tStatus& status) {
    if (state_ == kStarted) return true;
    status.setCode(nVLAPALS100::kStatusRequestFailure, VL_SITE);
    return false;
  }
  void stopLocked(tStatus& status) {
    if (status.isFatal() || state_ != kStarted) return;
    fifo_->stop(status);
    state_ = kStopped;
  }
  // The board FIFO lets go of the pages (on a status of its own: it must
  // unmap even after a failure) before they are unlocked.
  void forgetBuffer() {
    tStatus local;
    fifo_->setBuffer(nullptr, local);
    nVLZUK220_tPageList_destroy(buffer_.pages.handle);
    buffer_ = Buffer{};
    state_ = kNoBuffer;
  }

  Factory* factory_;
  BoardFifo* fifo_;
  Buffer buffer_;
  nVLAPAL000::tMutex mutex_;
  uint32_t state_;
  uint8_t direction_;
  uint8_t constructed_;
};

class BoardFifoFactoryWexel;

// This board's side: board FIFOs over Wexel DMA channels.
struct BoardFifoWexelSide {
  using Factory = BoardFifoFactoryWexel;
  using Fifo = BoardFifoWexel;
  using Buffer = BoardFifoBuffer;
};

extern template class FpgaFifoT<BoardFifoWexelSide>;
using FpgaFifo = FpgaFifoT<BoardFifoWexelSide>;

}  // namespace vllym

#endif
