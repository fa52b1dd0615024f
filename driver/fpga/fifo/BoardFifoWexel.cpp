#include "BoardFifoWexel.h"

#include "driver/fpga/FpgaFault.h"
#include "driver/fpga/HardwareWait.h"
#include "driver/platform/wexel/WexelRegisters.h"

namespace vllym {

using nVLAPAL000::tTimeWasterSpin;

namespace {

constexpr uint64_t kLargestCount = 0xFFFFFFFF;

}  // namespace

BoardFifoWexel::BoardFifoWexel(uint32_t channelIndex, uint8_t direction, const nVLAPAL000::tDMAConfiguration& dma,
                               BoardFifoWindow window, uint32_t linkSize, WexelDmaChannelFactoryInterrupt* factory,
                               tStatus& status)
    : factory_(factory),
      channel_(nullptr),
      control_(reinterpret_cast<volatile uint8_t*>(window.base)),
      windowLeft_(window.size),
      bufferSize_(0),
      map_(dma),
      direction_(direction),
      wholeBuffer_(0),
      wholeBufferSignalled_(0),
      released_(0) {
  if (status.isFatal()) return;
  if (direction > kHostToDevice || window.size < kControlBlockSize || factory == nullptr) {
    status.setCode(nVLAPALS100::kStatusInvalidParameter, VL_SITE);
    return;
  }
  sgl_.initialize(dma, linkSize, status);
  channel_ = factory_->getChannel(channelIndex, status);
}

BoardFifoWexel::~BoardFifoWexel() {
  if (factory_ != nullptr) factory_->destroyChannel(channel_);
  channel_ = nullptr;
  forgetBuffer();
}

void BoardFifoWexel::command(uint32_t value) { nVLAPAL000::wexel::write32(control_, kCommand, value); }

bool BoardFifoWexel::commandAndWait(uint32_t value, uint32_t bit) {
  command(value);
  tStatus ignored;
  const uint32_t last = waitForValue<tTimeWasterSpin>(
      kBudgetMs, [this] { return nVLAPAL000::wexel::read32(control_, kStatus); },
      [bit](uint32_t value) { return (value & bit) != 0; }, ignored);
  return (last & bit) != 0;
}

void BoardFifoWexel::writeByteCount(uint64_t bytes, tStatus& status) {
  if (bytes > kLargestCount) {
    status.setCode(nVLAPALS100::kStatusInvalidParameter, VL_SITE);
    return;
  }
  nVLAPAL000::wexel::write32(control_, kByteCount, static_cast<uint32_t>(bytes));
}

// The buffer is the device's from mapping to unmapping: the processor
// only reads what the byte counts say the device finished.
void BoardFifoWexel::forgetBuffer() {
  if (map_.getSize() != 0) map_.completeDMA(map_.getSize());
  map_.unmap();
  map_.release();
  sgl_.freeLinks();
  bufferSize_ = 0;
}

void BoardFifoWexel::setBuffer(const BoardFifoBuffer* buffer, tStatus& status) {
  if (status.isFatal()) return;
  if (buffer == nullptr) {
    forgetBuffer();
    return;
  }
  if (buffer->size > kLargestCount && !isWholeBuffer()) {
    status.setCode(kStatusBufferTooLarge, VL_SITE);
    return;
  }
  forgetBuffer();
  map_.map(buffer->pages, buffer->offset, buffer->size,
           direction_ == kDeviceToHost ? nVLAPAL000::kDMADeviceWrites : nVLAPAL000::kDMADeviceReads, status);
  sgl_.addDMAMapSegments(map_, status);
  sgl_.finalize(status);
  if (status.isFatal()) {
    forgetBuffer();
    return;
  }
  map_.prepareForDMA();
  bufferSize_ = buffer->size;
}

void BoardFifoWexel::startChannel(tStatus& status) {
  if (status.isFatal()) return;
  channel_->startWithLink(sgl_.getFirstLinkAddress(), false);
  channel_->readFirstRegister();
  tStatus ignored;
  const uint32_t last = waitForValue<tTimeWasterSpin>(
      kBudgetMs, [this] { return channel_->readChannelStatus(); },
      [](uint32_t value) { return (value & WexelDmaChannel::kLinkReady) != 0; }, ignored);
  if ((last & WexelDmaChannel::kLinkReady) == 0) {
    VL_FPGA_FAULT(status, kStatusHardwareFault, "HardwareFault", "Timed out waiting for the Wexel link ready. %#x.",
                  last);
  }
}

void BoardFifoWexel::waitChannelStopped(tStatus& status) {
  tStatus ignored;
  const uint32_t last = waitForValue<tTimeWasterSpin>(
      kBudgetMs, [this] { return channel_->readOperation(); },
      [](uint32_t value) { return (value & WexelDmaChannel::kStopped) != 0; }, ignored);
  if ((last & WexelDmaChannel::kStopped) == 0) {
    VL_FPGA_FAULT(status, kStatusHardwareFault, "HardwareFault",
                  "Timed out waiting for the Wexel DMA channel to stop. %#x.", last);
  }
}

void BoardFifoWexel::startSteps(tStatus& status) {
  if (!commandAndWait(kCommandDisable, kStatusDisabled)) {
    VL_FPGA_FAULT(status, kStatusHardwareFault, "HardwareFault",
                  "Timed out waiting for the FPGA to disable DMA channel");
    return;
  }
  command(kCommandAfterDisable);
  channel_->reactivate();
  channel_->writeOperation(kOperationPrepare);
  if (direction_ == kHostToDevice) {
    command(kCommandEnable);
    startChannel(status);
    return;
  }
  startChannel(status);
  if (status.isFatal()) return;
  command(kCommandEnable);
  if (isWholeBuffer()) {
    command(kCommandWholeBuffer);
    wholeBufferSignalled_ = 1;
  } else {
    writeByteCount(bufferSize_, status);
  }
}

// A failed start leaves both sides stopped; the caller keeps the first error.
void BoardFifoWexel::start(tStatus& status) {
  if (status.isFatal()) return;
  if (bufferSize_ == 0 || channel_ == nullptr) {
    status.setCode(nVLAPALS100::kStatusBadSelector, VL_SITE);
    return;
  }
  startSteps(status);
  if (status.isFatal()) {
    tStatus undo;
    stop(undo);
  }
}

// The FPGA side reports into a status of its own: its time-outs are only
// printed, and a failed disable or reset makes the channel stop by command.
void BoardFifoWexel::stop(tStatus& status) {
  if (status.isFatal() || channel_ == nullptr) return;
  tStatus fpga;
  if (!commandAndWait(kCommandDisable, kStatusDisabled)) {
    VL_FPGA_FAULT(fpga, kStatusHardwareFault, "HardwareFault", "Timed out waiting for the FPGA to disable DMA channel");
  }
  released_ = 0;
  wholeBufferSignalled_ = 0;
  if (fpga.isNotFatal() && !commandAndWait(kCommandReset, kStatusResetDone)) {
    VL_FPGA_FAULT(fpga, kStatusHardwareFault, "HardwareFault", "Timed out waiting for the FPGA to reset DMA channel");
  }
  // A device-to-host channel ends with the FPGA's reset; otherwise it is told.
  if (direction_ != kDeviceToHost || fpga.isFatal()) channel_->deactivate();
  waitChannelStopped(status);
}

uint64_t BoardFifoWexel::waitForBytes(uint64_t bytes, uint32_t timeoutMs, uint8_t* timedOut, tStatus& status) {
  *timedOut = 0;
  if (status.isFatal()) return 0;
  if (channel_ == nullptr) {
    status.setCode(nVLAPALS100::kStatusBadSelector, VL_SITE);
    return 0;
  }
  if (direction_ == kDeviceToHost) return channel_->waitForBytes(bytes, timeoutMs, timedOut, status);
  if (bytes > bufferSize_)
    return bufferSize_ + channel_->waitForBytes(bytes - bufferSize_, timeoutMs, timedOut, status);
  return bufferSize_ + channel_->bytesTransferred();
}

void BoardFifoWexel::releaseBytes(uint64_t bytes, tStatus& status) {
  if (status.isFatal()) return;
  released_ += bytes;
  if (isWholeBuffer() && direction_ == kHostToDevice && released_ >= bufferSize_ && wholeBufferSignalled_ == 0) {
    command(kCommandWholeBuffer);
    wholeBufferSignalled_ = 1;
    return;
  }
  writeByteCount(bytes, status);
}

void BoardFifoWexel::setMode(int32_t mode, tStatus& status) {
  if (status.isFatal()) return;
  if (mode == 1) {
    nVLAPAL000::atomicStore(wholeBuffer_, 1);
    released_ = 0;
    wholeBufferSignalled_ = 0;
  } else if (mode == 2) {
    nVLAPAL000::atomicStore(wholeBuffer_, 0);
    command(kCommandCounted);
  } else {
    status.setCode(kStatusUnknownAttribute, VL_SITE);
  }
}

// Runs beside the owner's operations, a change of mode included: the mode
// is read once, as it stands, and the command sent is that mode's; a mode
// changed after the read takes effect through its own commands.
void BoardFifoWexel::abort(int32_t code) {
  if (isWholeBuffer()) command(kCommandCounted);
  if (channel_ != nullptr) channel_->setError(code);
}

void BoardFifoWexel::clearError() {
  if (channel_ != nullptr) channel_->clearError();
}

}  // namespace vllym
