// Driver registration with the kernel layer.
#ifndef VL9738K_SIM_DRIVERS_H
#define VL9738K_SIM_DRIVERS_H

#include <vector>

#include "../../driver/platform/zuk/ZukDriver.h"
#include "FaultSite.h"

namespace sim {

class Drivers {
 public:
  // A failing registration returns the armed (negative) code.
  static FaultSite& registrationFaults();
  static std::vector<nVLZUK_tDriverRecord*> registered();
  static bool isRegistered(const nVLZUK_tDriverRecord* record);
  static void reset();
};

}  // namespace sim

#endif
