// One block of DMA-able link memory of a scatter-gather list: whole pages,
// mapped into the kernel and for the device, out of which link pages are
// carved on 512-byte boundaries. Links are carved only from the block's
// first DMA segment, so a link never straddles two physical runs.
#ifndef VL9738K_PLATFORM_TWEXELSGLLINKMEMORY_H
#define VL9738K_PLATFORM_TWEXELSGLLINKMEMORY_H

#include "../dma/tStandardDMAMap.h"
#include "../sync/Atomic.h"
#include "../zuk/ZukDMA.h"
#include "../zuk/ZukMemory.h"
#include "tWexelSGL.h"

namespace nVLAPAL000 {

template <typename tMap>
class tWexelSGL::tDMALinkMemory {
 public:
  explicit tDMALinkMemory(const tDMAConfiguration& configuration)
      : consumed_(0),
        busAddress_(0),
        size_(0),
        kernel_(nullptr),
        buffer_{0, 0, 0},
        map_(configuration),
        configuration_(configuration),
        committed_(false),
        older_(nullptr) {}

  virtual ~tDMALinkMemory() {
    // A block never handed to the device has nothing to take back.
    if (committed_) map_.completeDMA(size_);
    map_.unmap();
    if (kernel_ != nullptr) nVLZUK220_tPageList_unmapFromKernel(buffer_.handle, kernel_);
    configuration_.freeDMABuffer(buffer_);
  }
  tDMALinkMemory(const tDMALinkMemory&) = delete;
  tDMALinkMemory& operator=(const tDMALinkMemory&) = delete;

  void allocate(uint64_t bytes, nVLAPALS100::tStatus& status) {
    configuration_.allocateDMABuffer(buffer_, bytes, kLinkMemoryFlags, status, kLinkAlignment);
    if (status.isFatal()) return;
    const uint64_t pageSize = nVLZUK100_getPageSize();
    kernel_ =
        static_cast<uint8_t*>(nVLZUK220_tPageList_mapToKernel(buffer_.handle, 0, buffer_.size / pageSize, pageSize));
    if (kernel_ == nullptr) {
      status.setCode(nVLAPALS100::kStatusOutOfMemory, VL_SITE);
      return;
    }
    map_.map(buffer_, 0, buffer_.size, kDMADeviceReads, status);
    if (status.isFatal()) return;
    map_.resetSGLIterator();
    const tSGLSegment first = map_.nextSGLSegment();
    busAddress_ = first.busAddress;
    size_ = first.size;
  }

  // Carves `bytes` and moves on to the next 512-byte boundary.
  virtual void consume(uint64_t bytes) { consumed_ = (consumed_ + bytes + kLinkAlignment - 1) & ~(kLinkAlignment - 1); }
  // Orders every descriptor and header write before the device may read them.
  virtual void commit() {
    storeFence();
    map_.prepareForDMA();
    committed_ = true;
  }
  virtual void reset() { consumed_ = 0; }

  uint64_t left() const { return consumed_ < size_ ? size_ - consumed_ : 0; }
  uint64_t nextBusAddress() const { return busAddress_ + consumed_; }
  uint8_t* nextKernelAddress() const { return kernel_ + consumed_; }
  tDMALinkMemory* older() const { return older_; }
  void setOlder(tDMALinkMemory* older) { older_ = older; }

 private:
  uint64_t consumed_;
  uint64_t busAddress_;
  uint64_t size_;
  uint8_t* kernel_;
  tPageList buffer_;
  tMap map_;
  const tDMAConfiguration& configuration_;
  bool committed_;
  tDMALinkMemory* older_;
};

}  // namespace nVLAPAL000

#endif
