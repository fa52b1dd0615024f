// One step of a path to an engine's trigger-clock synchronisation: the
// kind (UID) and instance of a child of the node the previous step reached.
// Instances are 16 bits wide here, though the tree numbers its blocks with
// 8; an instance above 255 names no block.
#ifndef VL9738K_TIMING_SYNC_ZELKSYNCPATHELEMENT_H
#define VL9738K_TIMING_SYNC_ZELKSYNCPATHELEMENT_H

#include <stdint.h>

namespace qrtifwprim {

struct ZelkSyncPathElement {
  uint16_t uid;
  uint16_t instance;
};

static_assert(sizeof(ZelkSyncPathElement) == 4, "a path element is two 16-bit words");

}  // namespace qrtifwprim

#endif
