// Kernel-layer threads, backed by host threads.
#ifndef VL9738K_SIM_THREADS_H
#define VL9738K_SIM_THREADS_H

#include <cstdint>
#include <string>
#include <vector>

#include "FaultSite.h"

namespace sim {

class Threads {
 public:
  // A refused creation returns the armed (negative) code and starts nothing.
  static FaultSite& creationFaults();
  // Names of the threads created and not yet joined, oldest first.
  static std::vector<std::string> unjoinedNames();
  // Joins whatever a test left behind, so no host thread outlives it.
  static void reset();
};

}  // namespace sim

#endif
