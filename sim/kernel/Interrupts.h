// Interrupts of plugged PCI functions. A driver reserves a function's
// interrupt with a routine; a board model raises it, and the routine runs
// at once on the raising thread in a simulated interrupt context.
//
// Delivery follows what a processor would do:
// - a thread that holds an interrupt-level spin lock runs with interrupts
//   off, so an interrupt it raises waits until it releases the last one;
// - an interrupt raised while its thread already runs a routine waits until
//   that routine returns (no nesting);
// - a routine never runs twice at once: raised while it runs on another
//   thread, it runs once more on that thread when the current call returns;
// - an interrupt raised while no routine is reserved is lost.
#ifndef VL9738K_SIM_INTERRUPTS_H
#define VL9738K_SIM_INTERRUPTS_H

#include <cstdint>

#include "FaultSite.h"

namespace sim {

class Interrupts {
 public:
  // Codes a reservation fails with.
  static constexpr int32_t kNoInterrupt = -51256;
  static constexpr int32_t kWrongLine = -51009;
  static constexpr int32_t kAlreadyReserved = -51101;

  static FaultSite& reservationFaults();

  // Raises the interrupt of the function behind `handle` (edge-like: one
  // raise, one delivery).
  static void raise(uint64_t handle);

  static bool isReserved(uint64_t handle);
  // The flags the reservation was made with (0 when none stands).
  static uint32_t reservationFlags(uint64_t handle);
  // True on a thread that is running an interrupt routine.
  static bool inInterruptContext();

  struct Counts {
    uint64_t raised = 0;
    uint64_t deferred = 0;   // waited for interrupts to be enabled again
    uint64_t delivered = 0;  // routine calls
    uint64_t claimed = 0;    // calls that answered "mine"
    uint64_t lost = 0;       // raised with no routine reserved
  };
  static Counts counts(uint64_t handle);

  static void reset();
};

}  // namespace sim

#endif
