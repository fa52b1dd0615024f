#include "InterruptManagerWexel.h"

#include "ApalWexelInterruptManagerMsi.h"
#include "driver/platform/memory/Memory.h"
#include "driver/platform/zuk/ZukPci.h"

namespace vllym {

bool InterruptManagerWexel::isMessageSignalled(const nVLAPAL000::tPCIDevice& device) {
  const uint64_t kind = (device.getPCIInformation().record.interruptLine >> 32) & 0xFFFF;
  return kind != NVLZUK_INTERRUPT_KIND_LINE;
}

InterruptManagerWexel::InterruptManagerWexel(DeviceInterruptProviderPrimary* provider, nVLAPAL000::tPCIDevice* device,
                                             bool useStatusPage, volatile uint8_t* bridge, tStatus& status)
    : InterruptManagerBase(provider), bridgeManager_(nullptr), useStatusPage_(useStatusPage ? 1 : 0) {
  if (status.isFatal()) return;
  if (device == nullptr || bridge == nullptr) {
    status.setCode(nVLAPALS100::kStatusInvalidParameter, VL_SITE);
    return;
  }
  const bool messageSignalled = isMessageSignalled(*device);
  if (useStatusPage) {
    bridgeManager_ = new (status, nVLAPAL000::kAllocationKindPlain) nVLAPAL000::tWexelInterruptManagerISP(
        bridge, device->getDMAConfiguration(), kPageDataWords, kPageStatusWords, messageSignalled, status);
  } else if (messageSignalled) {
    bridgeManager_ = new (status, nVLAPAL000::kAllocationKindPlain) ApalWexelInterruptManagerMsi(bridge);
  } else {
    bridgeManager_ = new (status, nVLAPAL000::kAllocationKindPlain) nVLAPAL000::tWexelInterruptManager(bridge, false);
  }
  // A page that could not be made is no manager to service with.
  if (status.isFatal() && bridgeManager_ != nullptr) {
    delete bridgeManager_;
    bridgeManager_ = nullptr;
  }
}

InterruptManagerWexel::~InterruptManagerWexel() {
  unregisterDeviceIsr();
  delete bridgeManager_;
  bridgeManager_ = nullptr;
}

void InterruptManagerWexel::registerDeviceIsr(tStatus& status) {
  if (status.isFatal() || provider() == nullptr) return;
  provider()->registerDeviceIsr(*this, status);
}

void InterruptManagerWexel::writeInterruptEnables(bool irq, bool dma, bool shutdown, bool statusPage, tStatus& status) {
  if (status.isFatal() || bridgeManager_ == nullptr) return;
  bridgeManager_->setInterruptEnables(enableWordFor(irq, dma, shutdown, statusPage));
}

uint8_t InterruptManagerWexel::recognizeInterrupt() {
  return bridgeManager_ != nullptr ? bridgeManager_->recognizeInterrupt() : 0;
}

// A word of all ones means the board is gone: the drain stops there, but
// the page handler and the acknowledge still run.
void InterruptManagerWexel::serviceInterrupt() {
  if (bridgeManager_ == nullptr) return;
  for (;;) {
    const uint32_t word = bridgeManager_->dequeueInterrupt();
    if (word == kDeviceGone) break;
    dispatchWord(word);
    if ((word & kStatusMore) == 0) break;
  }
  IStatusPageHandler* pageHandler = statusPageHandler();
  if (pageHandler != nullptr && useStatusPage_ != 0) {
    auto* page = static_cast<nVLAPAL000::tWexelInterruptManagerISP*>(bridgeManager_);
    if (page->getStatusPage() != nullptr) {
      pageHandler->handleStatusPage(page->getStatusPage() + 4 * page->getEntryCount(), kPageDataBytes);
    }
  }
  bridgeManager_->acknowledgeInterrupts();
}

void InterruptManagerWexel::deactivate() {
  if (bridgeManager_ != nullptr) bridgeManager_->deactivate();
}

void InterruptManagerWexel::reactivate() {
  if (bridgeManager_ != nullptr) bridgeManager_->reactivate();
}

}  // namespace vllym
