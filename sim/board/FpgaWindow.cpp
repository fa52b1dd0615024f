#include "FpgaWindow.h"

namespace sim {

FpgaWindow::FpgaWindow(Bar& bar0, Bridge& bridge)
    : bar0_(bar0), bridge_(bridge), registers_(bar0.data() + kBarOffset, kSize) {
  bar0.attach(kBarOffset, kSize, *this);
}

void FpgaWindow::placeIrqBlock(uint64_t base) {
  BridgeGuard guard(bridge_.interrupts());
  irqBase_ = base;
  registers_.split(base + kIrqStatus, 4);
}

void FpgaWindow::attach(uint64_t offset, uint64_t size, RegisterBlock& block) {
  BridgeGuard guard(bridge_.interrupts());
  std::erase_if(attached_, [&](const Attached& a) { return a.offset == offset; });
  attached_.push_back({offset, size, &block});
}

void FpgaWindow::detach(RegisterBlock& block) {
  BridgeGuard guard(bridge_.interrupts());
  std::erase_if(attached_, [&](const Attached& a) { return a.block == &block; });
}

RegisterBlock* FpgaWindow::attachedAt(uint64_t offset, unsigned width) {
  if (width != 4) return nullptr;
  for (const Attached& a : attached_) {
    if (offset >= a.offset && offset - a.offset < a.size) return a.block;
  }
  return nullptr;
}

uint32_t FpgaWindow::read(uint64_t offset, unsigned width) {
  BridgeGuard guard(bridge_.interrupts());
  if (RegisterBlock* block = attachedAt(offset, width)) return block->read(offset, width);
  if (width == 4 && irqBase_ && offset >= *irqBase_ && offset < *irqBase_ + 16) {
    const uint64_t reg = offset - *irqBase_;
    if (reg == kIrqEnable) return irqEnabled_ ? 1 : 0;
    if (reg == kIrqMask) return irqMask_;
    if (reg == kIrqStatus) return irqPending_;
  }
  if (width == 4 && offset >= 4) {
    auto found = fifos_.find(offset - kFifoStatus);
    if (found != fifos_.end()) return found->second.status;
  }
  return registers_.read(offset, width);
}

void FpgaWindow::write(uint64_t offset, unsigned width, uint32_t value) {
  BridgeGuard guard(bridge_.interrupts());
  if (RegisterBlock* block = attachedAt(offset, width)) return block->write(offset, width, value);
  registers_.write(offset, width, value);
  if (width != 4) return;
  if (irqBase_ && offset >= *irqBase_ && offset < *irqBase_ + 16) {
    writeIrq(offset - *irqBase_, value);
    return;
  }
  for (uint64_t reg : {kFifoCommand, kFifoByteCount}) {
    if (offset < reg) continue;
    auto found = fifos_.find(offset - reg);
    if (found != fifos_.end()) {
      writeFifo(found->second, reg, value);
      return;
    }
  }
}

void FpgaWindow::writeIrq(uint64_t reg, uint32_t value) {
  if (reg == kIrqEnable) {
    irqEnabled_ = (value & 1) != 0;
    evaluateIrq(irqPending_);
  } else if (reg == kIrqMask) {
    irqMask_ = value;
    evaluateIrq(irqPending_);
  } else if (reg == kIrqStatus) {
    irqPending_ &= ~value;
  }
}

void FpgaWindow::evaluateIrq(uint32_t candidates) {
  if (irqEnabled_ && (candidates & irqMask_) != 0) bridge_.interrupts().raiseSource(InterruptController::kSourceIrq);
}

void FpgaWindow::raiseIrqs(uint32_t lines) {
  BridgeGuard guard(bridge_.interrupts());
  const uint32_t fresh = lines & ~irqPending_;
  irqPending_ |= lines;
  evaluateIrq(fresh);
}

uint32_t FpgaWindow::irqPending() {
  BridgeGuard guard(bridge_.interrupts());
  return irqPending_;
}

uint32_t FpgaWindow::irqMask() {
  BridgeGuard guard(bridge_.interrupts());
  return irqMask_;
}

bool FpgaWindow::irqEnabled() {
  BridgeGuard guard(bridge_.interrupts());
  return irqEnabled_;
}

void FpgaWindow::addFifo(uint64_t offset, uint32_t channel, FifoDirection direction) {
  BridgeGuard guard(bridge_.interrupts());
  registers_.split(offset + kFifoStatus, 4);
  FifoState state;
  state.channel = channel;
  state.direction = direction;
  FifoState& fifo = fifos_.insert_or_assign(offset, state).first->second;
  DmaChannel& model = bridge_.channel(channel);
  model.setDirection(direction == FifoDirection::HostToDevice ? DmaChannel::Direction::HostToDevice
                                                              : DmaChannel::Direction::DeviceToHost);
  gate(fifo);
}

FpgaWindow::FifoState FpgaWindow::fifo(uint64_t offset) {
  BridgeGuard guard(bridge_.interrupts());
  return fifos_.at(offset);
}

void FpgaWindow::setFifoNeverDisables(uint64_t offset, bool never) {
  BridgeGuard guard(bridge_.interrupts());
  FifoState& fifo = fifos_.at(offset);
  fifo.neverDisables = never;
  if (never) fifo.status &= ~kStatusDisabled;
}

void FpgaWindow::setFifoNeverResets(uint64_t offset, bool never) {
  BridgeGuard guard(bridge_.interrupts());
  FifoState& fifo = fifos_.at(offset);
  fifo.neverResets = never;
  if (never) fifo.status &= ~kStatusResetDone;
}

void FpgaWindow::writeFifo(FifoState& fifo, uint64_t reg, uint32_t value) {
  if (reg == kFifoByteCount) {
    fifo.byteCounts.push_back(value);
    fifo.credits += value;
    gate(fifo);
    return;
  }
  fifo.commands.push_back(value);
  switch (value) {
    case kCommandDisable:
      fifo.enabled = false;
      if (!fifo.neverDisables) fifo.status |= kStatusDisabled;
      break;
    case kCommandReset:
      fifo.credits = 0;
      fifo.wholeBuffer = false;
      if (!fifo.neverResets) {
        fifo.status |= kStatusResetDone;
        // The FPGA's end of a device-to-host stream stops the channel.
        if (fifo.direction == FifoDirection::DeviceToHost) bridge_.channel(fifo.channel).endFromDevice();
      }
      break;
    case kCommandEnable:
      fifo.enabled = true;
      fifo.status &= ~(kStatusDisabled | kStatusResetDone);
      break;
    case kCommandCounted:
      fifo.wholeBuffer = false;
      break;
    case kCommandWholeBuffer:
      fifo.wholeBuffer = true;
      break;
    default:
      break;  // kCommandFlush: nothing the model keeps
  }
  gate(fifo);
}

// A disabled FIFO moves nothing; an enabled one what its credits allow.
void FpgaWindow::gate(FifoState& fifo) {
  DmaChannel& channel = bridge_.channel(fifo.channel);
  if (!fifo.enabled) {
    channel.setMoveLimit(0);
  } else {
    channel.setMoveLimit(fifo.wholeBuffer ? UINT64_MAX : fifo.credits);
  }
}

}  // namespace sim
