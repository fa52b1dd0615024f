#include "tWexelInterruptManagerISP.h"

#include "../sync/Atomic.h"
#include "../zuk/ZukDMA.h"
#include "../zuk/ZukMemory.h"
#include "WexelRegisters.h"

namespace nVLAPAL000 {

using nVLAPALS100::tStatus;

namespace {

constexpr uint32_t kPageEnable = 0x10000;
constexpr uint32_t kStateOurs = 0x80000000;
constexpr uint32_t kStateReserved = 0x1;
constexpr uint64_t kEntryAlignment = 8;

}  // namespace

tWexelInterruptManagerISP::tWexelInterruptManagerISP(volatile uint8_t* bridge, const tDMAConfiguration& configuration,
                                                     uint32_t dataWords, uint32_t statusWords, bool messageSignalled,
                                                     tStatus& status)
    : tWexelInterruptManager(bridge, messageSignalled),
      configuration_(configuration),
      buffer_{0, 0, 0},
      kernel_(nullptr),
      map_(configuration),
      size_((uint64_t{dataWords} + statusWords) * 8),
      entries_(2 * statusWords),
      readIndex_(0),
      active_(0) {
  if (status.isFatal()) return;
  configuration_.allocateDMABuffer(buffer_, size_, kPageListFlags, status, kEntryAlignment);
  if (status.isFatal()) return;
  const uint64_t pageSize = nVLZUK100_getPageSize();
  kernel_ =
      static_cast<uint8_t*>(nVLZUK220_tPageList_mapToKernel(buffer_.handle, 0, buffer_.size / pageSize, pageSize));
  if (kernel_ == nullptr) {
    status.setCode(nVLAPALS100::kStatusOutOfMemory, VL_SITE);
    return;
  }
  map_.map(buffer_, 0, size_, kDMADeviceWrites, status);
  if (status.isFatal()) return;
  map_.prepareForDMA();
  program();
}

tWexelInterruptManagerISP::~tWexelInterruptManagerISP() {
  if (active_ != 0) switchPageOff();
  map_.unmap();
  if (kernel_ != nullptr) nVLZUK220_tPageList_unmapFromKernel(buffer_.handle, kernel_);
  configuration_.freeDMABuffer(buffer_);
}

// Points the bridge at the page: off, its data registers cleared, the
// address, then the layout with the page on, and delivery through it.
void tWexelInterruptManagerISP::program() {
  readIndex_ = 0;
  map_.resetSGLIterator();
  const uint64_t busAddress = map_.nextSGLSegment().busAddress;
  wexel::write32(bridge(), kPageControl, 0);
  for (uint64_t i = 0; i < kPageDataWords; ++i) wexel::store64(bridge(), kPageData + 8 * i, 0);
  wexel::store64(bridge(), kPageAddress, busAddress);
  const uint64_t dataBytes = map_.getSize() - 4 * uint64_t{entries_};
  wexel::write32(bridge(), kPageControl, static_cast<uint32_t>(dataBytes | (uint64_t{entries_} << 10) | kPageEnable));
  writeControl(kPageOn);
  active_ = 1;
}

void tWexelInterruptManagerISP::switchPageOff() {
  wexel::write32(bridge(), kPageControl, 0);
  (void)wexel::read32(bridge(), kPageControl);  // the write has reached the bridge
  active_ = 0;
}

void tWexelInterruptManagerISP::deactivate() {
  writeControl(kDisableOutput);
  switchPageOff();
}

void tWexelInterruptManagerISP::reactivate() {
  writeControl(kResetState);
  if (pageReady()) program();
}

uint8_t tWexelInterruptManagerISP::recognizeInterrupt() {
  if (isMessageSignalled()) return 1;
  // Bit 0 reads as 0 from a present bridge: an all-ones word is a device gone.
  const uint32_t state = readRegister(kControl);
  if ((state & kStateOurs) == 0 || (state & kStateReserved) != 0) return 0;
  writeControl(kDisableOutput);
  return 1;
}

uint32_t tWexelInterruptManagerISP::dequeueInterrupt() {
  if (!pageReady() || readIndex_ >= entries_) return 0;
  if (readIndex_ == 0) {
    map_.completeDMA(size_);
    loadFence();
  }
  return *entry(readIndex_++);
}

void tWexelInterruptManagerISP::acknowledgeInterrupts() {
  if (!pageReady()) return;
  map_.prepareForDMA();
  readIndex_ = 0;
  *entry(0) = 0;
  writeControl(kEnableOutputAndPage);
}

}  // namespace nVLAPAL000
