// The simulated composite idle tracker: the kernel component, shared by
// several drivers, that issues reservation client ids and keeps for each
// how many holders it has and whether it is idle. The driver reaches it
// through the five rfCompositeIdleTracker_* functions (C linkage); tests
// look at and change its table here, and arm its failures.
#ifndef VL9738K_SIM_IDLETRACKER_IDLE_TRACKER_H
#define VL9738K_SIM_IDLETRACKER_IDLE_TRACKER_H

#include <cstdint>

#include "../kernel/FaultSite.h"

namespace sim {

class IdleTracker {
 public:
  // The tracker's own codes.
  static constexpr int32_t kUnknownIdCode = -52005;
  static constexpr int32_t kNoFreeIdCode = -52000;

  enum class Call { kCreate, kRelease, kIncreaseReferenceCount, kGetStatus, kSetStatus, kCount };

  // An empty table whose next id is 1, no armed failures, no calls counted.
  static void reset();

  static bool exists(uint32_t id);
  // 0 for an unknown id.
  static uint32_t holders(uint32_t id);
  static bool isIdle(uint32_t id);
  static uint64_t liveIds();
  // What another holder of the id (the engine's user-mode side) reports.
  static void setIdle(uint32_t id, bool idle);
  // Where the search for the next free id starts (0 is skipped).
  static void setNextId(uint32_t id);
  // Calls of the driver-facing function since the last reset.
  static uint64_t calls(Call call);

  // Each driver-facing call can be made to fail (with the armed code) and
  // then changes nothing.
  static FaultSite& faults(Call call);
};

}  // namespace sim

#endif
