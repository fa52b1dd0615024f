// Deferred procedure calls. A test creates one with the work it stands
// for and hands its handle to the driver; scheduling queues it, and the
// queue runs when the test says so (as the kernel would, soon after).
#ifndef VL9738K_SIM_DPC_H
#define VL9738K_SIM_DPC_H

#include <cstdint>
#include <functional>

namespace sim {

class Dpc {
 public:
  static uint64_t create(std::function<void()> work);
  // Runs every queued call once; returns how many ran.
  static int runPending();
  static uint64_t timesScheduled(uint64_t handle);
  static void reset();
};

}  // namespace sim

#endif
