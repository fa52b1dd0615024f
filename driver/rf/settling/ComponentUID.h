// The key of the settling tables: which component a settling setting or
// curve belongs to. Keys order lexicographically over their three parts.
#ifndef VL9738K_RF_SETTLING_COMPONENT_UID_H
#define VL9738K_RF_SETTLING_COMPONENT_UID_H

#include <stdint.h>

namespace ConfigV1ki {

struct ComponentUID {
  uint16_t componentId;
  uint8_t subId0;
  uint8_t subId1;

  bool operator==(const ComponentUID&) const = default;
  bool operator<(const ComponentUID& other) const {
    if (componentId != other.componentId) return componentId < other.componentId;
    if (subId0 != other.subId0) return subId0 < other.subId0;
    return subId1 < other.subId1;
  }
};

// A fixed settling setting: the times for settling controls 0 and 1.
struct SettlingSetting {
  uint32_t settlingTime0;
  uint32_t settlingTime1;
  ComponentUID component;
};

}  // namespace ConfigV1ki

#endif
