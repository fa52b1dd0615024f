// Codes of the FPGA programming path that the platform's table does not
// carry.
#ifndef VL9738K_FPGA_FPGASTATUSCODES_H
#define VL9738K_FPGA_FPGASTATUSCODES_H

#include <stdint.h>

namespace vllym {

// The bridge or the FPGA did not answer as the programming protocol
// requires (a bit that never came, a load the FPGA rejected).
inline constexpr int64_t kStatusHardwareFault = -63150;

}  // namespace vllym

#endif
