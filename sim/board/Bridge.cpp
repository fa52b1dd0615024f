#include "Bridge.h"

namespace sim {

Bridge::Bridge(Bar& bar0, RegisterBlock& flash)
    : core_(bar0.data() + kCoreOffset, kCoreSize),
      configPort_(bar0.data() + kConfigPortOffset, kConfigPortSize),
      flashWindow_(0, core_, flash) {
  core_.split(kCoreControlStatus, 4);
  core_.split(kGeographicAddress, 4);
  configPort_.split(kConfigStateMachineControlStatus - kConfigPortOffset, 4);
  core_.setReadable(kFlashWindowBase, 4, kFlashWindowReset);
  bar0.attach(kCoreOffset, kCoreSize, core_);
  bar0.attach(kConfigPortOffset, kConfigPortSize, configPort_);
  bar0.attach(flashWindow_);
}

void Bridge::setGeographicSlot(uint8_t slot) {
  core_.setReadable(kGeographicAddress, 4, static_cast<uint32_t>(slot & 0x1F) << kGeographicAddressShift);
}

}  // namespace sim
