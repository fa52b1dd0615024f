// Kernel-layer memory, backed by the host's heap.
#ifndef VL9738K_SIM_MEMORY_H
#define VL9738K_SIM_MEMORY_H

#include <cstdint>

#include "FaultSite.h"

namespace sim {

class Memory {
 public:
  // Failing an allocation returns null, as the kernel layer does.
  static FaultSite& allocationFaults();
  // Blocks handed out and not yet freed, whoever allocated them.
  static int64_t outstandingBlocks();
  static constexpr uint64_t kPageSize = 4096;
  // What every byte of a block the driver frees holds until it is reused.
  static constexpr int kFreedPattern = 0xdb;
  // The largest single allocation that succeeds (unlimited by default): a
  // smaller machine, for runs that must not grow to what a caller asks.
  static void setLargestBlock(uint64_t size);
  // The largest size the driver asked of the allocator (granted or not;
  // the simulation's own blocks aside) since the last clear: what a
  // caller's word made the driver ask for.
  static uint64_t largestAsked();
  static void clearLargestAsked();
  static void reset();
};

}  // namespace sim

#endif
