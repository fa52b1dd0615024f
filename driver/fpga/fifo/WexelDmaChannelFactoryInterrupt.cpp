#include "WexelDmaChannelFactoryInterrupt.h"

#include "WexelDmaChannelInterrupt.h"
#include "driver/platform/memory/Memory.h"

namespace vllym {

WexelDmaChannelFactoryInterrupt::WexelDmaChannelFactoryInterrupt(volatile uint8_t* bridge,
                                                                 InterruptManagerBase* manager, tStatus& status)
    : bridge_(bridge), manager_(manager) {
  if (status.isFatal() || bridge_ == nullptr) return;
  const uint32_t capabilities = nVLAPAL000::wexel::read32(bridge_, nVLAPAL000::tWexelDMAChannel::kCoreCapabilities);
  channels_.resize(uint64_t{1} << ((capabilities >> 20) & 0xF), nullptr, status);
}

WexelDmaChannelFactoryInterrupt::~WexelDmaChannelFactoryInterrupt() {
  IsrLockOutsideHold hold(isrLock());
  vlhtl::Vector<WexelDmaChannel*>().swap(channels_);
}

WexelDmaChannel* WexelDmaChannelFactoryInterrupt::getChannel(uint32_t index, tStatus& status) {
  if (status.isFatal()) return nullptr;
  if (index >= channels_.size()) {
    status.setCode(nVLAPALS100::kStatusInvalidParameter, VL_SITE);
    return nullptr;
  }
  if (channels_[index] == nullptr) {
    auto* channel =
        new (status, nVLAPAL000::kAllocationKindPlain) WexelDmaChannelInterrupt(bridge_, index, manager_, status);
    if (status.isFatal()) {
      delete channel;
      return nullptr;
    }
    IsrLockOutsideHold hold(isrLock());
    channels_[index] = channel;
  }
  return channels_[index];
}

void WexelDmaChannelFactoryInterrupt::destroyChannel(WexelDmaChannel* channel) {
  if (channel == nullptr) return;
  for (WexelDmaChannel*& entry : channels_) {
    if (entry != channel) continue;
    {
      IsrLockOutsideHold hold(isrLock());
      entry = nullptr;
    }
    delete channel;
    return;
  }
}

void WexelDmaChannelFactoryInterrupt::dispatchInterrupt(uint32_t channel, uint32_t status) {
  if (channel < channels_.size() && channels_[channel] != nullptr) channels_[channel]->handleInterrupt(status);
}

}  // namespace vllym
