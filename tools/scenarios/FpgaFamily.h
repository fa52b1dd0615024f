// The FPGA-session interface as the scenario runner drives it.
#ifndef VL9738K_TOOLS_SCENARIOS_FPGAFAMILY_H
#define VL9738K_TOOLS_SCENARIOS_FPGAFAMILY_H

#include <vector>

#include "tests/module/PublishedRequests.h"

namespace vlscenario {

inline constexpr char kFpgaInterface[] = "vl9738_atomiclymddkqrt";

// Every request of the interface that answers a status word, with its
// block sizes and status offsets (release-personality answers none).
const std::vector<vltest::PublishedRequest>& fpgaSessionRequests();

}  // namespace vlscenario

#endif
