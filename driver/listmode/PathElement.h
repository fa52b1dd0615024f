// One step of a path through the FPGA's subsystem tree: the kind (UID) and
// the instance of a child, looked up among the children of the node the
// previous step reached. Paths start below the root.
#ifndef VL9738K_LISTMODE_PATHELEMENT_H
#define VL9738K_LISTMODE_PATHELEMENT_H

#include <stdint.h>

namespace vlifw {

struct PathElement {
  uint16_t uid;
  uint8_t instance;
};

static_assert(sizeof(PathElement) == 4, "user mode passes path elements of 4 bytes");

}  // namespace vlifw

#endif
