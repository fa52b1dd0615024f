#include "Bridge.h"

namespace sim {

Bridge::Bridge(Bar& bar0, RegisterBlock& flash)
    : core_(bar0.data() + kCoreOffset, kCoreSize),
      configPort_(bar0.data() + kConfigPortOffset, kConfigPortSize),
      flashWindow_(0, core_, flash),
      interrupts_(core_),
      fpgaLoader_(configPort_),
      spi_(configPort_),
      dataWindow_(kDataWindowIndex, core_, spi_.dataTarget(kDataWindowIndex)) {
  // The identity and capability words at the head of the core block are
  // read-only: a write through a user's block transfer must not change how
  // the bridge describes its DMA channels to the next bring-up.
  for (uint64_t offset = 0; offset <= kLastReadOnlyCoreWord; offset += 4) core_.split(offset, 4);
  core_.split(kCoreControlStatus, 4);
  core_.split(kGeographicAddress, 4);
  configPort_.split(kConfigStateMachineControlStatus - kConfigPortOffset, 4);
  core_.setReadable(kFlashWindowBase, 4, kFlashWindowReset);
  core_.setReadable(kCoreCapabilities, 4,
                    (kLinkSizeLog2 << 12) | (kChannelStrideLog2 << 16) | (kChannelCountLog2 << 20));
  core_.setReadable(kDmaRegisterGroupBase, 4, kChannelsOffset);
  core_.setReadable(kConfigPortResource, 4, kPortCount << 24);
  core_.setReadable(kDataWindowBase, 4, kDataWindowReset);
  configPort_.setReadable(kPortsMode - kConfigPortOffset, 4, kPortsModeReset);
  setPoscDone(true);
  spi_.connect(Cdce18005::kPort, clockBuffer_);
  bar0.attach(kCoreOffset, kCoreSize, interrupts_);
  bar0.attach(kConfigPortOffset, kConfigPortSize, configPort_);
  bar0.attach(FpgaLoader::kBarOffset, FpgaLoader::kSize, fpgaLoader_);
  bar0.attach(kConfigStateMachineControlStatus, 4, spi_);
  bar0.attach(IoPortConfig::kBarOffset, IoPortConfig::kSize, ioPorts_);
  bar0.attach(flashWindow_);
  bar0.attach(dataWindow_);
  const uint64_t stride = uint64_t{1} << kChannelStrideLog2;
  for (uint32_t index = 0; index < kChannelCount; ++index) {
    const uint64_t offset = kChannelsOffset + index * stride;
    channels_.push_back(std::make_unique<DmaChannel>(bar0, index, offset, stride, interrupts_));
    bar0.attach(offset, stride, *channels_.back());
  }
}

void Bridge::setPoscDone(bool done) { core_.setReadable(kCoreControlStatus, 4, done ? kPoscDone : 1); }

void Bridge::setGeographicSlot(uint8_t slot) {
  core_.setReadable(kGeographicAddress, 4,
                    static_cast<uint32_t>(slot & kGeographicSlotMask) << kGeographicAddressShift);
}

}  // namespace sim
