// Reports a protocol failure of the bridge or the FPGA: a debug line with
// the code and what did not happen, then -63150 in the status. Only the
// first failure of a pass is printed and kept.
#ifndef VL9738K_FPGA_HARDWAREFAULT_H
#define VL9738K_FPGA_HARDWAREFAULT_H

#include "FpgaStatusCodes.h"
#include "driver/platform/debug/Vlsdbg.h"
#include "driver/platform/status/tStatus.h"

namespace vllym {

inline void reportHardwareFault(const char* message, nVLAPALS100::tStatus& status, const vlsdbg_Location& location) {
  if (status.isFatal()) return;
  vlsdbg_printLine(&location, "Error %d (StatusCode::HardwareFault): %s", static_cast<int>(kStatusHardwareFault),
                   message);
  status.setCode(kStatusHardwareFault, VL_SITE_AT(location.file, location.line));
}

}  // namespace vllym

#define VL_HARDWARE_FAULT(message, status)                                    \
  do {                                                                        \
    static constexpr vlsdbg_Location faultLocation{__FILE__, __LINE__, "\n"}; \
    ::vllym::reportHardwareFault((message), (status), faultLocation);         \
  } while (0)

#endif
