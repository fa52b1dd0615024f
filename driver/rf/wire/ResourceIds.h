// The resource ids shared by the settings blob, the commit, the reset and
// the lock query. Any other id is refused.
#ifndef VL9738K_RF_WIRE_RESOURCE_IDS_H
#define VL9738K_RF_WIRE_RESOURCE_IDS_H

#include <stdint.h>

namespace vl9738settings {

enum ResourceId : uint32_t {
  kResourceRefClockPath0 = 1,
  kResourceRefClockPath1 = 2,
  kResourceCrossSwitch = 3,
  kResourceLo0Frequency = 4,
  kResourceLo1Frequency = 5,
  kResourceLo0Power = 6,
  kResourceLo1Power = 7,
};

}  // namespace vl9738settings

#endif
