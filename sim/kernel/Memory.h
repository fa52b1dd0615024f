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
  // The largest single allocation that succeeds.
  static constexpr uint64_t kLargestBlock = uint64_t{1} << 30;
  static void reset();
};

}  // namespace sim

#endif
