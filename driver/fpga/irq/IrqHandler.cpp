#include "IrqHandler.h"

#include "driver/fpga/FpgaStatusCodes.h"
#include "driver/platform/memory/Memory.h"

namespace vllym {

using nVLAPALS100::tStatus;

void IrqHandler::NodeList::append(Node* node) {
  node->next = nullptr;
  node->previous = tail;
  if (tail != nullptr) {
    tail->next = node;
  } else {
    head = node;
  }
  tail = node;
}

void IrqHandler::NodeList::remove(Node* node) {
  if (node->previous != nullptr) {
    node->previous->next = node->next;
  } else {
    head = node->next;
  }
  if (node->next != nullptr) {
    node->next->previous = node->previous;
  } else {
    tail = node->previous;
  }
  node->next = node->previous = nullptr;
}

IrqHandler::Node* IrqHandler::NodeList::takeFirst() {
  Node* node = head;
  if (node != nullptr) remove(node);
  return node;
}

bool IrqHandler::NodeList::contains(const Node* node) const {
  for (const Node* at = head; at != nullptr; at = at->next) {
    if (at == node) return true;
  }
  return false;
}

uint32_t IrqHandler::NodeList::count() const {
  uint32_t n = 0;
  for (const Node* at = head; at != nullptr; at = at->next) ++n;
  return n;
}

IrqHandler::IrqHandler(kernel::IIoAccessor* registers, InterruptManagerBase* manager, tStatus&)
    : combinedMask_(0),
      registers_(registers),
      manager_(manager),
      statusRegister_(kUnset),
      maskRegister_(kUnset),
      enableRegister_(kUnset),
      enabled_(0),
      aborted_(0),
      abortStatus_(0) {}

IrqHandler::~IrqHandler() {
  if (enabled_ != 0) {
    tStatus local;
    disable(local);
    if (local.isFatal()) return;
  }
  freeIrqNodes();
}

// The offsets and the enabled flag change under the ISR lock: an abort
// reads them there without the FPGA lock that keeps the other readers out.
uint32_t IrqHandler::setBaseOffset(uint32_t base) {
  IsrLockOutsideHold hold(isrLock());
  enableRegister_ = base + kEnableOffset;
  maskRegister_ = base + kMaskOffset;
  statusRegister_ = base + kStatusOffset;
  return maskRegister_;
}

void IrqHandler::setEnabled(uint8_t enabled) {
  IsrLockOutsideHold hold(isrLock());
  enabled_ = enabled;
}

// A step that fails undoes the others, whatever the status then holds; the
// slot is cleared only when this handler took it (an occupied slot is
// another handler's).
void IrqHandler::enable(tStatus& status) {
  if (enableRegister_ == kUnset) {
    status.setCode(nVLAPALS100::kStatusRequestFailure, VL_SITE);
    return;
  }
  if (status.isFatal() || enabled_ != 0 || manager_ == nullptr) return;
  manager_->setIrqInterruptHandler(this, status);
  const bool registered = status.isNotFatal();
  manager_->updateInterruptEnables(status);
  registers_->write32(enableRegister_, 1, status);
  if (status.isNotFatal()) {
    setEnabled(1);
    return;
  }
  tStatus undo;
  registers_->write32(enableRegister_, 0, undo);
  registers_->read32(enableRegister_, undo);
  if (registered) manager_->setIrqInterruptHandler(nullptr, undo);
  manager_->updateInterruptEnables(undo);
  setEnabled(0);
}

void IrqHandler::disable(tStatus& status) {
  if (enabled_ == 0 || status.isFatal()) return;
  registers_->write32(enableRegister_, 0, status);
  registers_->read32(enableRegister_, status);
  if (manager_ != nullptr) {
    manager_->setIrqInterruptHandler(nullptr, status);
    manager_->updateInterruptEnables(status);
  }
  setEnabled(0);
}

void IrqHandler::destroyNode(Node* node) { delete node; }

void IrqHandler::reserveIrqNode(tStatus& status) {
  if (status.isFatal()) return;
  Node* node = new (status, nVLAPAL000::kAllocationKindPlain) Node(status);
  if (status.isFatal()) {
    if (node != nullptr) destroyNode(node);
    return;
  }
  if (!isUsable()) {
    status.setCode(nVLAPALS100::kStatusRequestFailure, VL_SITE);
    destroyNode(node);
    return;
  }
  IsrLockOutsideHold hold(isrLock());
  idle_.append(node);
}

void IrqHandler::unreserveIrqNode(tStatus& status) {
  if (status.isFatal()) return;
  if (!isUsable()) {
    status.setCode(nVLAPALS100::kStatusRequestFailure, VL_SITE);
    return;
  }
  Node* node = nullptr;
  {
    IsrLockOutsideHold hold(isrLock());
    node = idle_.takeFirst();
  }
  if (node != nullptr) destroyNode(node);
}

void IrqHandler::freeIrqNodes() {
  NodeList taken;
  {
    IsrLockOutsideHold hold(isrLock());
    taken = idle_;
    idle_ = NodeList{};
  }
  while (Node* node = taken.takeFirst()) destroyNode(node);
}

uint32_t IrqHandler::waitOnIrqs(uint32_t irqMask, uint32_t timeoutMs, uint8_t* timedOut, tStatus& status) {
  if (status.isNotFatal() && !isUsable()) status.setCode(nVLAPALS100::kStatusRequestFailure, VL_SITE);
  if (status.isFatal()) return 0xFFFFFFFF;
  uint8_t ignored = 0;
  if (timedOut == nullptr) timedOut = &ignored;
  uint32_t result = waitStep(irqMask, timeoutMs, timedOut, status);
  while (status.getCode() == kStatusNoIrqNode) {
    status.clear();
    reserveIrqNode(status);
    result = waitStep(irqMask, timeoutMs, timedOut, status);
  }
  return result;
}

uint32_t IrqHandler::waitStep(uint32_t irqMask, uint32_t timeoutMs, uint8_t* timedOut, tStatus& status) {
  if (status.isFatal()) return 0;
  if (timeoutMs == 0) {
    const uint32_t result = registers_->read32(statusRegister_, status) & irqMask;
    if (status.isNotFatal()) *timedOut = result == 0 ? 1 : 0;
    return result;
  }
  IsrLockPrimary* lock = isrLock();
  Node* node = nullptr;
  {
    IsrLockOutsideHold hold(lock);
    if (aborted_ != 0) {
      status.setCode(abortStatus_, VL_SITE);
      return 0;
    }
    node = idle_.takeFirst();
    if (node == nullptr) {
      status.setCode(kStatusNoIrqNode, VL_SITE);
      return 0;
    }
    node->mask = irqMask;
    node->fired = 0;
    waiting_.append(node);
    combinedMask_ |= irqMask;
    registers_->write32(maskRegister_, combinedMask_, status);
  }

  tStatus waited(tStatus::kFullSize);
  node->event.wait(timeoutMs, waited);
  const bool expired = waited.getCode() == nVLAPALS100::kStatusTimeout;
  if (expired) {
    *timedOut = 1;
  } else {
    status.merge(waited);
  }

  IsrLockOutsideHold hold(lock);
  uint32_t result = 0;
  if (status.isNotFatal() && !expired) {
    result = node->fired;
    *timedOut = 0;
  } else {
    // A signal that came after the expiry is dropped with the node's count.
    if (waiting_.contains(node)) {
      waiting_.remove(node);
      combinedMask_ = rebuildMask();
      tStatus ignoredWrite;
      registers_->write32(maskRegister_, combinedMask_, ignoredWrite);
    }
    node->event.reset();
  }
  idle_.append(node);
  if (aborted_ != 0) {
    status.setCode(abortStatus_, VL_SITE);
    result = 0;
  }
  return result;
}

void IrqHandler::acknowledge(uint32_t irqMask, tStatus& status) {
  if (status.isFatal()) return;
  if (!isUsable()) {
    status.setCode(nVLAPALS100::kStatusRequestFailure, VL_SITE);
    return;
  }
  registers_->write32(statusRegister_, irqMask, status);
}

// Every waiter wakes, whatever its mask (a wait on no line at all must end
// too); the wait then reports the abort code.
void IrqHandler::abortWaits(int32_t abortStatus) { abort(abortStatus, kAborted); }

void IrqHandler::closeWaits(int32_t abortStatus) { abort(abortStatus, kAbortedForGood); }

void IrqHandler::abort(int32_t abortStatus, uint8_t how) {
  IsrLockOutsideHold hold(isrLock());
  if (aborted_ == kAbortedForGood) return;
  aborted_ = how;
  abortStatus_ = abortStatus;
  if (!isUsable()) return;
  while (Node* node = waiting_.takeFirst()) {
    node->fired = kAllLines & node->mask;
    node->event.signal();
  }
  combinedMask_ = 0;
  tStatus ignored;
  registers_->write32(maskRegister_, 0, ignored);
}

void IrqHandler::clearAbort() {
  IsrLockOutsideHold hold(isrLock());
  if (aborted_ == kAbortedForGood) return;
  aborted_ = 0;
  abortStatus_ = 0;
}

uint32_t IrqHandler::rebuildMask() const {
  uint32_t mask = 0;
  for (const Node* node = waiting_.head; node != nullptr; node = node->next) mask |= node->mask;
  return mask;
}

uint32_t IrqHandler::wakeWaiters(uint32_t pending) {
  uint32_t remaining = 0;
  Node* node = waiting_.head;
  while (node != nullptr) {
    Node* next = node->next;
    const uint32_t fired = pending & node->mask;
    if (fired != 0) {
      node->fired = fired;
      waiting_.remove(node);
      node->event.signal();
    } else {
      remaining |= node->mask;
    }
    node = next;
  }
  combinedMask_ = remaining;
  return remaining;
}

void IrqHandler::serviceInterrupt() {
  tStatus local;
  registers_->write32(maskRegister_, 0, local);
  const uint32_t pending = registers_->read32(statusRegister_, local);
  if (local.isFatal()) return;
  const uint32_t remaining = wakeWaiters(pending);
  registers_->write32(maskRegister_, remaining, local);
}

uint32_t IrqHandler::countIdleNodes() {
  IsrLockOutsideHold hold(isrLock());
  return idle_.count();
}

uint32_t IrqHandler::countWaitingNodes() {
  IsrLockOutsideHold hold(isrLock());
  return waiting_.count();
}

uint32_t IrqHandler::getCombinedMask() {
  IsrLockOutsideHold hold(isrLock());
  return combinedMask_;
}

}  // namespace vllym
