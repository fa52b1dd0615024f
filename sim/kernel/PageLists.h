// The kernel layer's page lists: fresh pages in simulated physical memory
// (PhysicalMemory chooses where), their physical addresses and runs, and
// the kernel mappings of them. Tests read what the driver allocated (page
// count, flags, NUMA node) and whether every mapping was undone.
#ifndef VL9738K_SIM_PAGE_LISTS_H
#define VL9738K_SIM_PAGE_LISTS_H

#include <cstdint>
#include <optional>
#include <vector>

#include "FaultSite.h"

namespace sim {

class PageLists {
 public:
  static constexpr uint32_t kNoNode = 0xFFFFFFFF;
  // What getPhysicalAddress answers for an offset beyond the list.
  static constexpr int32_t kOutOfRange = -51009;

  struct Info {
    uint64_t pageCount;
    uint32_t flags;
    uint32_t numaNode;  // kNoNode when allocated without one
    std::vector<uint64_t> physical;
    uint8_t* host;      // the processor's view of page 0; the pages follow it
    bool user = false;  // locked pages of the calling process, not fresh ones
  };

  // Creation from an allocation (both forms), whole-list kernel mappings,
  // single-page kernel mappings.
  static FaultSite& allocationFaults();
  static FaultSite& kernelMappingFaults();
  static FaultSite& onePageMappingFaults();
  // Locking user pages.
  static FaultSite& userLockFaults();

  static std::optional<Info> find(uint64_t pageList);
  static size_t count();
  // Lists of locked user pages that exist.
  static size_t userLists();
  static std::vector<uint64_t> handles();
  // Kernel mappings made and not yet undone, of both kinds.
  static size_t kernelMappings();
  // Unmaps of an address that was not mapped.
  static uint64_t strayUnmaps();

  // Physically contiguous runs of [offset, offset + size) of a list: what a
  // scatter-gather mapping of that region yields.
  struct Run {
    uint64_t address;
    uint64_t size;
  };
  static std::vector<Run> runs(uint64_t pageList, uint64_t offset, uint64_t size);

  static void reset();
};

}  // namespace sim

#endif
