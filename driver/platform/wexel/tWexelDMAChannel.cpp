#include "tWexelDMAChannel.h"

#include "WexelRegisters.h"

namespace nVLAPAL000 {

using nVLAPALS100::tStatus;
using wexel::load64;
using wexel::read32;
using wexel::store64;
using wexel::write32;

namespace {

constexpr uint32_t kControlReset = 1;
constexpr uint32_t kControlEnable = 2;

}  // namespace

tWexelDMAChannel::tWexelDMAChannel(volatile uint8_t* bridge, uint32_t index, tStatus& status)
    : base_(nullptr), blockSize_(0), running_(0), index_(index), enables_(0) {
  if (status.isFatal()) return;
  locate(bridge);
  reset();
}

tWexelDMAChannel::tWexelDMAChannel(volatile uint8_t* base, uint64_t blockSize, uint32_t index, tStatus& status)
    : base_(nullptr), blockSize_(0), running_(0), index_(index), enables_(0) {
  if (status.isFatal()) return;
  rebase(base, blockSize);
}

tWexelDMAChannel::tWexelDMAChannel(volatile uint8_t* bridge, uint32_t index)
    : base_(nullptr), blockSize_(0), running_(0), index_(index), enables_(0) {
  locate(bridge);
  reset();
}

tWexelDMAChannel::~tWexelDMAChannel() {}

void tWexelDMAChannel::locate(volatile uint8_t* bridge) {
  const uint32_t stride = (read32(bridge, kCoreCapabilities) >> 16) & 0xF;
  base_ = bridge + read32(bridge, kRegisterGroupBase) + (uint64_t{index_} << stride);
  blockSize_ = uint64_t{1} << stride;
}

void tWexelDMAChannel::rebase(volatile uint8_t* base, uint64_t blockSize) {
  base_ = base;
  blockSize_ = blockSize;
  reset();
}

// Reset, stop whatever runs, then enable the channel with no interrupts.
void tWexelDMAChannel::reset() {
  enables_ = 0;
  running_ = 0;
  if (base_ == nullptr) return;
  write32(base_, kControl, kControlReset);
  write32(base_, kOperation, kStop);
  write32(base_, kControl, kControlEnable);
}

void tWexelDMAChannel::reactivate() { reset(); }

void tWexelDMAChannel::deactivate() {
  if (base_ != nullptr) write32(base_, kOperation, kStop);
}

void tWexelDMAChannel::handleInterrupt(uint32_t status) {
  if ((status & kStopStatus) != 0) running_ = 0;
}

void tWexelDMAChannel::setInterruptEnables(uint32_t enables) {
  if (enables == enables_ || base_ == nullptr) return;
  const uint32_t control = read32(base_, kControl);
  write32(base_, kControl, (control & ~kInterruptEnableMask) | enables);
  enables_ = enables;
}

void tWexelDMAChannel::startWithLink(const tWexelSGLFirstLink& link, bool mode) {
  if (base_ == nullptr) return;
  store64(base_, kLinkAddress, link.busAddress);
  write32(base_, kLinkSize, link.size);
  running_ = 1;
  write32(base_, kOperation, mode ? kStartVariant : kStart);
}

uint64_t tWexelDMAChannel::bytesTransferred() { return base_ != nullptr ? load64(base_, kBytesTransferred) : 0; }

void tWexelDMAChannel::armCountInterrupt(uint64_t bytes) {
  if (base_ == nullptr) return;
  store64(base_, kCountThreshold, bytes);
  write32(base_, kOperation, kArmCount);
}

void tWexelDMAChannel::setOptions(uint32_t flags, uint32_t first32, uint64_t first64, uint32_t second32,
                                  uint64_t second64) {
  if (base_ == nullptr) return;
  const uint32_t control = read32(base_, kControl);
  if ((flags & 0x440000) != 0) write32(base_, kOption32A, first32);
  if ((flags & 0xC00000) != 0) {
    store64(base_, kOption64A, first64);
    write32(base_, kOption32B, second32);
  }
  if ((flags & 0x40000) != 0) store64(base_, kOption64B, second64);
  write32(base_, kControl, (control & 0xFF00F7FF) | flags);
}

}  // namespace nVLAPAL000
