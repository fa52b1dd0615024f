// User memory maps: the kernel layer's record of an mmap call on an open
// device interface, and what the driver backed it with.
#ifndef VL9738K_SIM_USER_MAPS_H
#define VL9738K_SIM_USER_MAPS_H

#include <cstdint>
#include <optional>
#include <vector>

#include "FaultSite.h"

namespace sim {

class UserMaps {
 public:
  // What a mapping returns when it does not fit the map.
  static constexpr int32_t kMappingRefused = -51009;

  struct PageListMapping {
    uint64_t pageList;
    uint64_t firstPage;
    uint64_t pageCount;
  };
  struct PhysicalMapping {
    uint64_t address;
    uint64_t size;
    uint32_t cacheMode;
  };
  struct Map {
    uint64_t handle;
    uint64_t size;
    uint64_t virtualAddress;
    uint32_t accessMode;
    std::vector<PageListMapping> pageLists;
    std::vector<PhysicalMapping> physicalRanges;
  };

  static FaultSite& pageListMappingFaults();
  static FaultSite& physicalMappingFaults();

  // The host side creates a map before it calls the map entry and
  // destroys it after the unmap entry.
  static uint64_t create(uint64_t size, uint64_t virtualAddress, uint32_t accessMode);
  static void destroy(uint64_t handle);
  static std::optional<Map> find(uint64_t handle);
  static size_t count();

  static void reset();
};

}  // namespace sim

#endif
