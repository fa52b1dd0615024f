// The kernel layer's scatter-gather objects: a page-list region mapped for
// a PCI function as bus-address segments (one per physically contiguous
// run), handed to the device and taken back. The simulation checks that
// hand-over and take-back pair up and, through PhysicalMemory, that the
// device touches mapped memory only while it owns it.
#ifndef VL9738K_SIM_SCATTER_GATHER_H
#define VL9738K_SIM_SCATTER_GATHER_H

#include <cstdint>
#include <optional>
#include <vector>

#include "FaultSite.h"
#include "PageLists.h"

namespace sim {

class ScatterGather {
 public:
  // What a mapping that cannot be made answers (no object, nothing to
  // map, a region beyond the list, more segments than the object holds).
  static constexpr int32_t kMappingRefused = -51009;

  struct Info {
    uint64_t pciHandle;
    uint64_t maxSegments;
    bool mapped;
    bool deviceWrites;
    bool handedOver;
    std::vector<PageLists::Run> segments;
    uint64_t prepares;
    uint64_t completes;
  };

  static FaultSite& creationFaults();
  // An armed mapping fault answers the armed code.
  static FaultSite& mappingFaults();

  static std::optional<Info> find(uint64_t sgl);
  static size_t count();
  static std::vector<uint64_t> handles();
  // Take-backs without a hand-over, and hand-overs or take-backs of an
  // object that maps nothing.
  static uint64_t pairingViolations();
  // Hand-overs of memory the device already owns (harmless, counted apart).
  static uint64_t repeatedPrepares();

  static void reset();
};

}  // namespace sim

#endif
