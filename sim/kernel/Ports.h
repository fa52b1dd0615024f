// The kernel layer's I/O-port space: a device model lends a range of port
// addresses with a handler that answers every access inside it. Accesses
// that no range claims read all ones and are dropped, as on a real bus.
#ifndef VL9738K_SIM_PORTS_H
#define VL9738K_SIM_PORTS_H

#include <cstdint>

#include "Registers.h"

namespace sim {

class Ports {
 public:
  // The base of a fresh range of `size` ports (a power of two, at most
  // 64 Ki), aligned to its size as an I/O BAR is.
  static uint64_t lend(uint64_t size, MmioHandler& handler);
  static void release(uint64_t base);
  static uint64_t unclaimedAccesses();
  static void reset();
};

}  // namespace sim

#endif
