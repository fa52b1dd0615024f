#include "Bridge.h"

namespace sim {

Bridge::Bridge(Bar& bar0)
    : core_(bar0.data() + kCoreOffset, kCoreSize), configPort_(bar0.data() + kConfigPortOffset, kConfigPortSize) {
  core_.split(kCoreControlStatus, 4);
  configPort_.split(kConfigStateMachineControlStatus - kConfigPortOffset, 4);
  bar0.attach(kCoreOffset, kCoreSize, core_);
  bar0.attach(kConfigPortOffset, kConfigPortSize, configPort_);
}

}  // namespace sim
