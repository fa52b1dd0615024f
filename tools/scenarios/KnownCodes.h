// Whether a status is one the driver's code tables hold: the platform's,
// the kernel layer's, the board family's and the subsystems' own codes.
#ifndef VL9738K_TOOLS_SCENARIOS_KNOWNCODES_H
#define VL9738K_TOOLS_SCENARIOS_KNOWNCODES_H

#include <cstdint>

namespace vlscenario {

bool isKnownCode(int32_t code);

}  // namespace vlscenario

#endif
