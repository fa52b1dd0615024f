#include "InterruptManagerBase.h"

namespace vllym {
namespace {

constexpr uint32_t kStatusIrq = 1u << 9;
constexpr uint32_t kStatusShutdown = 1u << 11;
constexpr uint32_t kStatusDma = 1u << 28;
constexpr uint32_t kChannelMask = 0x3FFF;

}  // namespace

InterruptManagerBase::InterruptManagerBase(DeviceInterruptProviderPrimary* provider)
    : dmaHandler_(nullptr),
      irqHandler_(nullptr),
      secondIrqHandler_(nullptr),
      shutdownHandler_(nullptr),
      statusPageHandler_(nullptr),
      provider_(provider) {}

InterruptManagerBase::~InterruptManagerBase() {
  if (provider_ != nullptr) provider_->unregisterDeviceIsr();
}

void InterruptManagerBase::unregisterDeviceIsr() {
  if (provider_ != nullptr) provider_->unregisterDeviceIsr();
}

IsrLockPrimary* InterruptManagerBase::getIsrLock() { return provider_ != nullptr ? provider_->getIsrLock() : nullptr; }

// The lock is taken even when the status already failed.
template <typename tHandler>
void InterruptManagerBase::fill(tHandler*& slot, tHandler* handler, tStatus& status) {
  IsrLockOutsideHold hold(getIsrLock());
  if (status.isFatal()) return;
  if (slot != nullptr && handler != nullptr) {
    status.setCode(nVLAPALS100::kStatusInvalidParameter, VL_SITE);
    return;
  }
  slot = handler;
}

void InterruptManagerBase::setIrqInterruptHandler(IIrqInterruptHandler* handler, tStatus& status) {
  fill(irqHandler_, handler, status);
}

void InterruptManagerBase::setSecondIrqInterruptHandler(IIrqInterruptHandler* handler, tStatus& status) {
  fill(secondIrqHandler_, handler, status);
}

void InterruptManagerBase::setDmaInterruptHandler(IDmaInterruptHandler* handler, tStatus& status) {
  fill(dmaHandler_, handler, status);
}

void InterruptManagerBase::setShutdownInterruptHandler(IIrqInterruptHandler* handler, tStatus& status) {
  fill(shutdownHandler_, handler, status);
}

void InterruptManagerBase::setStatusPageHandler(IStatusPageHandler* handler, tStatus& status) {
  fill(statusPageHandler_, handler, status);
}

void InterruptManagerBase::writeEnables(bool withShutdown, bool any, tStatus& status) {
  if (status.isFatal()) return;
  IsrLockOutsideHold hold(getIsrLock());
  const bool irq = any && (irqHandler_ != nullptr || secondIrqHandler_ != nullptr);
  writeInterruptEnables(irq, any && dmaHandler_ != nullptr, any && withShutdown && shutdownHandler_ != nullptr,
                        any && statusPageHandler_ != nullptr, status);
}

void InterruptManagerBase::updateInterruptEnables(tStatus& status) { writeEnables(true, true, status); }

void InterruptManagerBase::disableAllInterrupts(tStatus& status) { writeEnables(false, false, status); }

void InterruptManagerBase::disableShutdownInterrupt(tStatus& status) { writeEnables(false, true, status); }

uint32_t InterruptManagerBase::enableWordFor(bool irq, bool dma, bool shutdown, bool statusPage) {
  return (irq ? kEnableIrq : 0) | (dma ? kEnableDma : 0) | (shutdown ? kEnableShutdown : 0) |
         (statusPage ? kEnableStatusPage : 0);
}

void InterruptManagerBase::dispatchWord(uint32_t word) {
  if ((word & kStatusIrq) != 0) {
    if (irqHandler_ != nullptr) irqHandler_->handleInterrupt();
    if (secondIrqHandler_ != nullptr) secondIrqHandler_->handleInterrupt();
  }
  if ((word & kStatusShutdown) != 0 && shutdownHandler_ != nullptr) shutdownHandler_->handleInterrupt();
  if ((word & kStatusDma) != 0 && dmaHandler_ != nullptr) dmaHandler_->dispatchInterrupt(word & kChannelMask, word);
}

}  // namespace vllym
