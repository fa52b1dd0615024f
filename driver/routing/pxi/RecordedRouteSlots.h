// The cached routing-matrix slots the recordings of one list engine wrote,
// and whether a run of that engine may be rewriting them now.
#ifndef VL9738K_ROUTING_PXI_RECORDEDROUTESLOTS_H
#define VL9738K_ROUTING_PXI_RECORDEDROUTESLOTS_H

#include <stdint.h>

namespace vlpxiroutingmatrix {

struct RecordedRouteSlots {
  // The engine's subsystem in the current bring-up; -1 for none yet.
  int32_t subsystem = -1;
  // One bit per slot of the cached classes A and B.
  uint32_t a = 0;
  uint32_t b = 0;
  uint8_t running = 0;
};

}  // namespace vlpxiroutingmatrix

#endif
