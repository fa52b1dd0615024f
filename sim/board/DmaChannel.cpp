#include "DmaChannel.h"

#include <algorithm>
#include <cstring>

#include "sim/kernel/PhysicalMemory.h"

namespace sim {
namespace {

constexpr uint32_t kFlagLastLink = 1u << 31;
constexpr uint32_t kRegisterWriteMark = 1u << 31;
constexpr uint32_t kRegisterOffsetMask = 0x07FFFFFF;
constexpr uint32_t kWidthMask = 0x18000000;
constexpr uint32_t kHeaderSize = 16;
// Link pages the engine accepts; a size outside is a broken chain.
constexpr uint32_t kLargestLink = 0x10000;
// A ring that moves nothing (only register writes, or empty pieces) would
// keep the engine busy for ever; the model stops walking it after this many
// links and waits, as if the channel were stalled.
constexpr uint64_t kIdleLinkLimit = 4096;

}  // namespace

DmaChannel::DmaChannel(Bar& bar0, uint32_t index, uint64_t offset, uint64_t size, InterruptController& interrupts)
    : bar0_(bar0), index_(index), offset_(offset), registers_(bar0.data() + offset, size), interrupts_(interrupts) {
  registers_.split(kOperation, 4);
  registers_.setReadable(kOperation, 4, kStopped);
}

uint32_t DmaChannel::read(uint64_t offset, unsigned width) {
  BridgeGuard guard(interrupts_);
  if (width == 4 && offset == kOperation) return running_ ? 0 : kStopped;
  if (width == 4 && offset == kStatus) return status_;
  return registers_.read(offset, width);
}

void DmaChannel::write(uint64_t offset, unsigned width, uint32_t value) {
  BridgeGuard guard(interrupts_);
  if (width == 4 && offset == kControl) {
    control(value);
    return;
  }
  registers_.write(offset, width, value);
  if (width == 4 && offset == kOperation) operation(value);
}

void DmaChannel::control(uint32_t value) {
  registers_.write(kControl, 4, value & ~kControlReset);
  if ((value & kControlReset) != 0) resetChannel();
}

void DmaChannel::operation(uint32_t value) {
  switch (value) {
    case kStart:
    case kStartVariant:
      start();
      break;
    case kStop:
      if (running_) stop(kStopEvent);
      break;
    case kArmCount:
      status_ &= ~kCountReached;
      countThreshold_ = registers_.readable(kCountThreshold, 8);
      countArmed_ = true;
      setBytes(bytes_);
      break;
    default:
      break;  // commands of other parts of the bridge
  }
  registers_.setReadable(kOperation, 4, running_ ? 0 : kStopped);
}

void DmaChannel::resetChannel() {
  running_ = false;
  status_ = 0;
  countArmed_ = false;
  setBytes(0);
  link_.clear();
  position_ = 0;
  pieceDone_ = 0;
  registers_.setReadable(kStatus, 4, 0);
  registers_.setReadable(kOperation, 4, kStopped);
}

void DmaChannel::start() {
  // A channel that is not enabled ignores starts.
  if ((registers_.readable(kControl, 4) & kControlEnable) == 0) return;
  const uint64_t address = registers_.readable(kLinkAddress, 8);
  const auto size = static_cast<uint32_t>(registers_.readable(kLinkSize, 4));
  status_ = 0;
  registers_.setReadable(kStatus, 4, 0);
  setBytes(0);
  running_ = true;
  if (size < kHeaderSize || size > kLargestLink) {
    stop(kError);
    return;
  }
  if (!fetchLink(address, size)) return;
  if (linkNeverReady_) return;
  raise(kLinkReady);
  pump();
}

void DmaChannel::stop(uint32_t event) {
  running_ = false;
  registers_.setReadable(kOperation, 4, kStopped);
  raise(event);
}

void DmaChannel::raise(uint32_t bits) {
  const uint32_t fresh = bits & ~status_;
  status_ |= bits;
  registers_.setReadable(kStatus, 4, status_);
  const uint32_t enabled = fresh & static_cast<uint32_t>(registers_.readable(kControl, 4)) & kInterruptEnableMask;
  if (enabled != 0) interrupts_.post(InterruptController::kDma | enabled | index_);
}

void DmaChannel::setBytes(uint64_t bytes) {
  bytes_ = bytes;
  registers_.setReadable(kBytesTransferred, 8, bytes_);
  if (countArmed_ && bytes_ >= countThreshold_) {
    countArmed_ = false;
    raise(kCountReached);
  }
}

uint32_t DmaChannel::word(size_t at) const {
  uint32_t value = 0;
  std::memcpy(&value, link_.data() + at, sizeof value);
  return value;
}

bool DmaChannel::reachable(uint64_t address, uint64_t size) const {
  return size == 0 || (address <= addressLimit_ && size - 1 <= addressLimit_ - address);
}

bool DmaChannel::fetchLink(uint64_t address, uint32_t size) {
  std::vector<uint8_t> link(size);
  if (!reachable(address, size) || !PhysicalMemory::deviceRead(address, link.data(), size)) {
    stop(kError);
    return false;
  }
  link_ = std::move(link);
  linkAddress_ = address;
  position_ = kHeaderSize;
  pieceDone_ = 0;
  ++linksFetched_;
  return true;
}

bool DmaChannel::followHeader() {
  const uint32_t nextSize = word(0);
  const uint32_t flags = word(4);
  uint64_t next = 0;
  std::memcpy(&next, link_.data() + 8, sizeof next);
  if ((flags & kFlagLastLink) != 0) {
    stop(kChainEnd);
    return false;
  }
  if (next == 0 || nextSize < kHeaderSize || nextSize > kLargestLink) {
    stop(kError);
    return false;
  }
  return fetchLink(next, nextSize);
}

void DmaChannel::applyRegisterWrite(uint32_t value, uint32_t control) {
  const uint32_t widthBits = control & kWidthMask;
  const unsigned width = widthBits == 0 ? 1 : widthBits == 0x08000000 ? 2 : 4;
  const uint64_t offset = control & kRegisterOffsetMask;
  const uint32_t mask = width == 4 ? 0xFFFFFFFFu : (1u << (8 * width)) - 1;
  registerWrites_.push_back(RegisterWrite{offset, width, value & mask});
  if (offset + width <= bar0_.size()) bar0_.internalWrite(offset, width, value & mask);
}

// Moves what the FIFO allows of `count` bytes at `address`; false after an
// access that failed.
bool DmaChannel::moveBytes(uint64_t address, uint64_t count) {
  uint64_t moving = 0;
  if (direction_ == Direction::HostToDevice) {
    moving = std::min(count, capacity_ > fifo_.size() ? capacity_ - fifo_.size() : 0);
  } else {
    moving = std::min<uint64_t>(count, fifo_.size());
  }
  moving = std::min(moving, moveLimit_ > bytes_ ? moveLimit_ - bytes_ : 0);
  if (moving == 0) return true;
  if (hostMemoryError_) {
    stop(kError);
    return false;
  }
  std::vector<uint8_t> bytes(moving);
  bool moved = reachable(address, moving);
  if (moved && direction_ == Direction::HostToDevice) {
    moved = PhysicalMemory::deviceRead(address, bytes.data(), moving);
    if (moved) fifo_.insert(fifo_.end(), bytes.begin(), bytes.end());
  } else if (moved) {
    std::copy_n(fifo_.begin(), moving, bytes.begin());
    moved = PhysicalMemory::deviceWrite(address, bytes.data(), moving);
    if (moved) fifo_.erase(fifo_.begin(), fifo_.begin() + static_cast<std::ptrdiff_t>(moving));
  }
  if (!moved) {
    stop(kError);
    return false;
  }
  pieceDone_ += moving;
  setBytes(bytes_ + moving);
  return true;
}

void DmaChannel::pump() {
  if (pumping_) return;  // a register write of the chain reached this channel
  pumping_ = true;
  uint64_t idleLinks = 0;
  while (running_) {
    if (position_ + 8 > link_.size()) {
      if (position_ != link_.size()) {
        stop(kError);  // a descriptor cut by the end of its link
      } else if (++idleLinks <= kIdleLinkLimit) {
        followHeader();
        continue;
      }
      break;
    }
    const uint32_t first = word(position_);
    const uint32_t second = word(position_ + 4);
    if ((second & kRegisterWriteMark) != 0) {
      position_ += 8;
      applyRegisterWrite(first, second);
      continue;
    }
    if (position_ + 16 > link_.size()) {
      stop(kError);
      break;
    }
    uint64_t address = 0;
    std::memcpy(&address, link_.data() + position_ + 8, sizeof address);
    const uint64_t before = pieceDone_;
    if (first != 0 && !moveBytes(address + pieceDone_, first - pieceDone_)) break;
    if (pieceDone_ == before && first != 0) break;  // the FIFO makes the channel wait
    if (pieceDone_ != before) idleLinks = 0;
    if (pieceDone_ == first) {
      pieceDone_ = 0;
      position_ += 16;
    }
  }
  pumping_ = false;
}

void DmaChannel::setDirection(Direction direction) {
  BridgeGuard guard(interrupts_);
  direction_ = direction;
}

void DmaChannel::setFifoCapacity(uint64_t bytes) {
  BridgeGuard guard(interrupts_);
  capacity_ = bytes;
  pump();
}

void DmaChannel::feed(const std::vector<uint8_t>& bytes) {
  BridgeGuard guard(interrupts_);
  fifo_.insert(fifo_.end(), bytes.begin(), bytes.end());
  pump();
}

std::vector<uint8_t> DmaChannel::drain(uint64_t max) {
  BridgeGuard guard(interrupts_);
  const uint64_t count = std::min<uint64_t>(max, fifo_.size());
  std::vector<uint8_t> bytes(fifo_.begin(), fifo_.begin() + static_cast<std::ptrdiff_t>(count));
  fifo_.erase(fifo_.begin(), fifo_.begin() + static_cast<std::ptrdiff_t>(count));
  pump();
  return bytes;
}

void DmaChannel::setMoveLimit(uint64_t bytes) {
  BridgeGuard guard(interrupts_);
  moveLimit_ = bytes;
  pump();
}

void DmaChannel::endFromDevice() {
  BridgeGuard guard(interrupts_);
  if (running_) stop(kStopEvent);
}

void DmaChannel::setLinkNeverReady(bool never) {
  BridgeGuard guard(interrupts_);
  linkNeverReady_ = never;
}

void DmaChannel::setHostMemoryError(bool failing) {
  BridgeGuard guard(interrupts_);
  hostMemoryError_ = failing;
  pump();
}

void DmaChannel::setAddressLimit(uint64_t highest) {
  BridgeGuard guard(interrupts_);
  addressLimit_ = highest;
}

}  // namespace sim
