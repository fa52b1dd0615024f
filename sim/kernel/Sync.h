// Kernel-layer locks, thread handles and single-use events.
#ifndef VL9738K_SIM_SYNC_H
#define VL9738K_SIM_SYNC_H

#include <cstdint>

#include "FaultSite.h"

namespace sim {

class Sync {
 public:
  static FaultSite& spinLockCreationFaults();
  static FaultSite& mutexCreationFaults();

  static uint64_t currentThreadHandle();
  // Interrupts the interruptible wait the thread is in, or its next one.
  static void interruptThread(uint64_t threadHandle);
  // The calling thread's next interruptible wait returns interrupted.
  static void interruptNextWait();

  // Depth of interrupt-level spin locks the calling thread holds. While it
  // is not zero the thread runs "with interrupts off".
  static int interruptLockDepth();
  // Called on a thread whose last interrupt-level lock was just released,
  // so that interrupts raised meanwhile can be delivered.
  using Hook = void (*)();
  static void setInterruptsEnabledHook(Hook hook);

  // Kernel mutexes acquired since the last reset, by every thread.
  static uint64_t mutexAcquisitions();

  // Number of threads blocked in a single-use-event wait right now.
  static int waitingThreads();

  static void reset();
};

}  // namespace sim

#endif
