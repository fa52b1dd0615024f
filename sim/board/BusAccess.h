// One access on a simulated bus, as a model records it for tests that check
// the traffic and not only the resulting values.
#ifndef VL9738K_SIM_BOARD_BUS_ACCESS_H
#define VL9738K_SIM_BOARD_BUS_ACCESS_H

#include <cstdint>

namespace sim {

struct BusAccess {
  enum class Kind { Read, Write };
  Kind kind;
  uint64_t offset;  // from the start of the BAR
  unsigned width;   // bytes
  uint32_t value;   // written, or returned by the read

  bool operator==(const BusAccess&) const = default;
};

}  // namespace sim

#endif
